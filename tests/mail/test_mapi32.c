/* A stand-in MAPI32.DLL for the tests: MAPISendMail appends what it
 * received to the file named by VELTO_MAPI_RECORD and returns the number in
 * VELTO_MAPI_RESULT (0 when unset). Built twice: as the system folder's copy
 * (tag "system") and as one planted beside the test programs (tag
 * "planted"), so that a record says which one was loaded.
 *
 * Record format, one mail after another; every text as "<length>:<bytes>"
 * or "null":
 *   mail <tag>
 *   session <n> parent <0|set> flags <n> reserved <n>
 *   subject <text>
 *   note <text>
 *   originator <class> <text name> <text address>
 *   recipients <count>
 *   recipient <class> <text name> <text address>      (count lines)
 *   files <count>
 *   file <position> <text path> <text name>           (count lines)
 *   end
 * Each line ends with LF. */
#include <windows.h>
#include <mapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifndef VELTO_MAPI_TAG
#define VELTO_MAPI_TAG "system"
#endif

static void PutText(FILE* Out, const char* Text) {
  if (!Text) {
    fputs("null", Out);
    return;
  }
  fprintf(Out, "%u:", (unsigned)strlen(Text));
  fwrite(Text, 1, strlen(Text), Out);
}

static void PutRecip(FILE* Out, const char* Kind, const MapiRecipDesc* R) {
  fprintf(Out, "%s %lu ", Kind, (unsigned long)R->ulRecipClass);
  PutText(Out, R->lpszName);
  fputc(' ', Out);
  PutText(Out, R->lpszAddress);
  fputc('\n', Out);
}

ULONG WINAPI MAPISendMail(LHANDLE Session, ULONG_PTR Parent, lpMapiMessage Message, FLAGS Flags, ULONG Reserved) {
  char path[MAX_PATH] = "";
  char result[32] = "";
  FILE* out;
  ULONG i;
  if (!GetEnvironmentVariableA("VELTO_MAPI_RECORD", path, sizeof path)) return MAPI_E_FAILURE;
  out = fopen(path, "ab");
  if (!out) return MAPI_E_FAILURE;
  fprintf(out, "mail %s\n", VELTO_MAPI_TAG);
  fprintf(out, "session %lu parent %s flags %lu reserved %lu\n", (unsigned long)Session, Parent ? "set" : "0",
          (unsigned long)Flags, (unsigned long)Reserved);
  fputs("subject ", out);
  PutText(out, Message->lpszSubject);
  fputs("\nnote ", out);
  PutText(out, Message->lpszNoteText);
  fputc('\n', out);
  if (Message->lpOriginator)
    PutRecip(out, "originator", Message->lpOriginator);
  else
    fputs("originator null\n", out);
  fprintf(out, "recipients %lu\n", (unsigned long)Message->nRecipCount);
  for (i = 0; Message->lpRecips && i < Message->nRecipCount; ++i) PutRecip(out, "recipient", &Message->lpRecips[i]);
  fprintf(out, "files %lu\n", (unsigned long)Message->nFileCount);
  for (i = 0; Message->lpFiles && i < Message->nFileCount; ++i) {
    fprintf(out, "file %ld ", (long)(LONG)Message->lpFiles[i].nPosition);
    PutText(out, Message->lpFiles[i].lpszPathName);
    fputc(' ', out);
    PutText(out, Message->lpFiles[i].lpszFileName);
    fputc('\n', out);
  }
  fputs("end\n", out);
  fclose(out);
  if (GetEnvironmentVariableA("VELTO_MAPI_RESULT", result, sizeof result)) return (ULONG)strtoul(result, NULL, 10);
  return SUCCESS_SUCCESS;
}
