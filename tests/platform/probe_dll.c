/* A tiny DLL for the start-up test: its one export tells that it loaded. */
__declspec(dllexport) int VeltoProbe(void) { return 42; }
