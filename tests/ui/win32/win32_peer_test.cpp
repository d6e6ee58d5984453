// Tests of the Win32 peer against real windows (run under Wine with a
// display). Each test builds a small form with the widget model, shows it,
// and checks the native windows, or plays the user with window messages and
// checks the model.
//
// Without a display no window can be made: the tests then skip, unless
// VELTO_REQUIRE_DISPLAY=1 (scripts/test-e2e sets it under Xvfb).
#include "ui/win32/win32_peer.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "tests/support/fake_dialogs.h"
#include "ui/application.h"
#include "ui/widgets.h"

namespace {

HWND H(const TControl& Control) { return static_cast<HWND>(Control.PeerHandle); }

// Two drives and a few folders, for the drive box and the directory list.
class FoldersStub : public platform::IFileSystem {
 public:
  bool FileExists(const std::string&) override { return false; }
  bool DirectoryExists(const std::string&) override { return true; }
  bool CreateDir(const std::string&) override { return false; }
  bool ForceDirectories(const std::string&) override { return false; }
  bool EraseFile(const std::string&) override { return false; }
  bool RemoveDir(const std::string&) override { return false; }
  int32_t FileAge(const std::string&) override { return -1; }
  std::unique_ptr<TFileStream> OpenFile(const std::string&, uint16_t) override { return nullptr; }
  std::string GetCurrentDir() override { return "c:\\programmi"; }
  std::vector<DriveInfo> Drives() override { return {{'c', 3, "SISTEMA"}, {'d', 3, ""}}; }
  std::vector<std::string> SubFolders(const std::string& Path) override {
    if (Path == "c:\\programmi") return {"brovik", "comuni"};
    return {};
  }
};

std::string ListText(HWND List, int Index) {
  char text[256] = {};
  SendMessageA(List, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text));
  return text;
}

std::string TextOf(HWND Window) {
  char text[512] = {};
  GetWindowTextA(Window, text, sizeof text);
  return text;
}

bool DisplayAvailable() {
  HWND probe = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

// A form laid out like the wizard: a banner panel, a notebook of two pages
// whose bottom bars carry "&Avanti>>" buttons, a status bar.
class PeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      const char* require = std::getenv("VELTO_REQUIRE_DISPLAY");
      if (require && std::string(require) == "1") FAIL() << "no display, but VELTO_REQUIRE_DISPLAY=1";
      GTEST_SKIP() << "no display to make windows on";
    }
    // A quit posted when an earlier test's application ended would end this
    // test's loops at once.
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Peer = std::make_unique<Win32Peer>(GetModuleHandleA(nullptr));
    App = std::make_unique<TApplication>(*Peer, Dialogs);
    Form = App->CreateForm<TForm>(*Peer);
    Form->SetBorderStyle(bsDialog);
    Form->SetPosition(poScreenCenter);
    Form->SetClientWidth(592);
    Form->SetClientHeight(464);
    Form->SetCaption("Prova");
    Form->SetColor(RgbColor(0, 128, 192));

    Book = new TNotebook(Form);
    Book->SetParent(Form);
    Book->SetBounds(0, 49, 592, 397);
    Book->SetColor(RgbColor(0, 64, 128));
    Page0 = Book->AddPage(Form, "Default");
    Page1 = Book->AddPage(Form, "Meil");
    Next0 = MakeButton(Page0, "&Avanti>>", 506);
    Close0 = MakeButton(Page0, "&Chiudi", 422);
    Next1 = MakeButton(Page1, "&Avanti>>", 506);

    Edit = new TEdit(Form);
    Edit->SetParent(Page0);
    Edit->SetBounds(150, 40, 120, 19);
    Edit2 = new TEdit(Form);
    Edit2->SetParent(Page0);
    Edit2->SetBounds(150, 70, 120, 19);
    Check = new TCheckBox(Form);
    Check->SetParent(Page0);
    Check->SetBounds(150, 100, 100, 17);
    Check->SetCaption("Maschio");

    Label = new TLabel(Form);
    Label->SetParent(Page0);
    Label->SetBounds(300, 40, 200, 16);
    Label->SetCaption("Siete fortunati.");
    TFont white = Label->Font();
    white.Color = clWhite;
    Label->SetFont(white);
    Label->SetTransparent(true);

    Bar = new TProgressBar(Form);
    Bar->SetParent(Page0);
    Bar->SetBounds(150, 140, 200, 16);
    Status = new TStatusBar(Form);
    Status->SetParent(Form);
    Status->SetBounds(0, 446, 592, 18);
  }

  void TearDown() override {
    App.reset();  // destroys the forms and their windows
    Peer.reset();
  }

  TButton* MakeButton(TPage* Page, const std::string& Caption, int Left) {
    auto* button = new TButton(Form);
    button->SetParent(Page);
    button->SetBounds(Left, 364, 75, 25);
    button->SetCaption(Caption);
    button->OnClick = [this, button](TObject*) { Clicks.push_back(button); };
    return button;
  }

  void ShowAndSettle() {
    Form->ShowForm();
    Settle();
  }
  void Settle() {
    for (int i = 0; i < 5; ++i) {
      Peer->ProcessMessages();
      Sleep(20);
    }
  }

  testsupport::FakeDialogs Dialogs;
  std::unique_ptr<Win32Peer> Peer;
  std::unique_ptr<TApplication> App;
  TForm* Form = nullptr;
  TNotebook* Book = nullptr;
  TPage *Page0 = nullptr, *Page1 = nullptr;
  TButton *Next0 = nullptr, *Close0 = nullptr, *Next1 = nullptr;
  TEdit *Edit = nullptr, *Edit2 = nullptr;
  TCheckBox* Check = nullptr;
  TLabel* Label = nullptr;
  TProgressBar* Bar = nullptr;
  TStatusBar* Status = nullptr;
  std::vector<TButton*> Clicks;
};

TEST_F(PeerTest, DialogFrameHasCloseBoxNoSizingAndTheClientSizeCentred) {
  ShowAndSettle();
  HWND window = H(*Form);
  ASSERT_TRUE(window);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 592);
  EXPECT_EQ(client.bottom, 464);
  RECT frame;
  GetWindowRect(window, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_EQ(TextOf(window), "Prova");
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(PeerTest, CaptionAndStatusTextFollowTheModel) {
  ShowAndSettle();
  Form->SetCaption("Installazione di Velto2005 Vers.2005 1.0.0.0");
  EXPECT_EQ(TextOf(H(*Form)), "Installazione di Velto2005 Vers.2005 1.0.0.0");
  Status->SetSimpleText("Connessione attiva");
  char text[128] = {};
  SendMessageA(H(*Status), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Connessione attiva");
  Next0->SetCaption("Avanti >>");
  EXPECT_EQ(TextOf(H(*Next0)), "Avanti >>");
}

TEST_F(PeerTest, NativeClickRunsTheHandlerOnlyWhileEnabled) {
  ShowAndSettle();
  SendMessageA(H(*Next0), BM_CLICK, 0, 0);
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], Next0);
  Next0->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(H(*Next0)));
  SendMessageA(H(*Next0), BM_CLICK, 0, 0);
  EXPECT_EQ(Clicks.size(), 1u);
  Next0->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(H(*Next0)));
}

TEST_F(PeerTest, TypingReachesTheModelAndModelTextReachesTheField) {
  int changes = 0;
  Edit->OnChange = [&](TObject*) { ++changes; };
  ShowAndSettle();
  SetWindowTextA(H(*Edit), "Città");
  EXPECT_EQ(Edit->Text(), "Città");
  EXPECT_EQ(changes, 1);
  Edit->SetText("Rossi");
  EXPECT_EQ(TextOf(H(*Edit)), "Rossi");
  // The model's own write is not taken back as typing.
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Edit->Text(), "Rossi");
}

TEST_F(PeerTest, CheckBoxIsToggledByTheModelAndShowsItsState) {
  ShowAndSettle();
  SendMessageA(H(*Check), BM_CLICK, 0, 0);
  EXPECT_TRUE(Check->Checked());
  EXPECT_EQ(SendMessageA(H(*Check), BM_GETCHECK, 0, 0), BST_CHECKED);
  Check->SetChecked(false);
  EXPECT_EQ(SendMessageA(H(*Check), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(PeerTest, OnlyTheCurrentPageIsShown) {
  ShowAndSettle();
  EXPECT_TRUE(IsWindowVisible(H(*Next0)));
  EXPECT_FALSE(IsWindowVisible(H(*Next1)));
  Book->SetPageIndex(1);
  EXPECT_FALSE(IsWindowVisible(H(*Next0)));
  EXPECT_TRUE(IsWindowVisible(H(*Next1)));
}

TEST_F(PeerTest, AcceleratorPressesTheButtonOfTheShownPage) {
  ShowAndSettle();
  Book->SetPageIndex(1);
  Settle();
  SetFocus(H(*Next1));
  // Alt+A, as the keyboard sends it.
  PostMessageA(GetFocus(), WM_SYSCHAR, 'a', 1 << 29);
  Settle();
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], Next1);
  Book->SetPageIndex(0);
  Settle();
  SetFocus(H(*Edit));
  PostMessageA(GetFocus(), WM_SYSCHAR, 'c', 1 << 29);
  Settle();
  ASSERT_EQ(Clicks.size(), 2u);
  EXPECT_EQ(Clicks[1], Close0);
}

TEST_F(PeerTest, TabFollowsTheModelsTabOrder) {
  Next0->SetTabOrder(20);
  Close0->SetTabOrder(21);
  Edit->SetTabOrder(11);
  Edit2->SetTabOrder(10);
  Check->SetTabOrder(12);
  ShowAndSettle();
  HWND form = H(*Form);
  EXPECT_EQ(GetNextDlgTabItem(form, nullptr, FALSE), H(*Edit2));
  EXPECT_EQ(GetNextDlgTabItem(form, H(*Edit2), FALSE), H(*Edit));
  // Reordered while shown.
  Edit->SetTabOrder(5);
  EXPECT_EQ(GetNextDlgTabItem(form, nullptr, FALSE), H(*Edit));
  EXPECT_EQ(GetNextDlgTabItem(form, H(*Check), FALSE), H(*Next0));
}

TEST_F(PeerTest, CloseBoxAsksTheModelToClose) {
  bool closed = false;
  Form->OnClose = [&](TObject*, TCloseAction& Action) {
    closed = true;
    Action = caNone;
  };
  ShowAndSettle();
  SendMessageA(H(*Form), WM_CLOSE, 0, 0);
  EXPECT_TRUE(closed);
  // The model kept the form: its window stays.
  EXPECT_TRUE(IsWindow(H(*Form)));
}

TEST_F(PeerTest, ProgressBarMirrorsRangeAndPosition) {
  ShowAndSettle();
  Bar->SetRange(0, 10);
  Bar->SetPosition(7);
  EXPECT_EQ(SendMessageA(H(*Bar), PBM_GETRANGE, FALSE, 0), 10);
  EXPECT_EQ(SendMessageA(H(*Bar), PBM_GETPOS, 0, 0), 7);
  Bar->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(H(*Bar)));
}

TEST_F(PeerTest, ContainersAndWindowlessControlsArePaintedInTheirColours) {
  auto* shape = new TShape(Form);
  shape->SetParent(Page0);
  shape->SetBounds(10, 8, 119, 280);
  shape->SetPenColor(clWhite);
  shape->SetBrushColor(RgbColor(0, 128, 192));
  auto* image = new TImage(Form);
  image->SetParent(Page0);
  image->SetBounds(18, 12, 4, 4);
  image->SetPicture(TBitmap(4, 4, std::vector<TColor>(16, RgbColor(255, 0, 0))));
  ShowAndSettle();
  HWND page = H(*Page0);
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(page);
  EXPECT_EQ(GetPixel(dc, 300, 300), RGB(0, 64, 128));    // the page
  EXPECT_EQ(GetPixel(dc, 10, 100), RGB(255, 255, 255));  // the box's border
  EXPECT_EQ(GetPixel(dc, 60, 200), RGB(0, 128, 192));    // inside the box
  EXPECT_EQ(GetPixel(dc, 19, 13), RGB(255, 0, 0));       // the image
  ReleaseDC(page, dc);
}

TEST_F(PeerTest, ClickOnAWindowlessControlRunsItsHandler) {
  int clicks = 0;
  Label->OnClick = [&](TObject*) { ++clicks; };
  ShowAndSettle();
  SendMessageA(H(*Page0), WM_LBUTTONUP, 0, MAKELPARAM(310, 45));
  EXPECT_EQ(clicks, 1);
  Label->SetVisible(false);
  SendMessageA(H(*Page0), WM_LBUTTONUP, 0, MAKELPARAM(310, 45));
  EXPECT_EQ(clicks, 1);
}

TEST_F(PeerTest, EnterPressesTheFocusedButton) {
  ShowAndSettle();
  SetForegroundWindow(H(*Form));
  SetFocus(H(*Close0));
  PostMessageA(H(*Close0), WM_KEYDOWN, VK_RETURN, 1);
  Settle();
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], Close0);
}

TEST_F(PeerTest, EnterInAFieldPressesTheDefaultButtonAndInATextBoxStartsANewLine) {
  auto* memo = new TMemo(Form);
  memo->SetParent(Page0);
  memo->SetBounds(300, 100, 200, 80);
  Next0->Default = true;
  ShowAndSettle();
  EXPECT_TRUE(GetWindowLongPtrA(H(*Next0), GWL_STYLE) & BS_DEFPUSHBUTTON);
  for (TControl* field : std::initializer_list<TControl*>{Edit, Check}) {
    Clicks.clear();
    SetFocus(H(*field));
    PostMessageA(H(*field), WM_KEYDOWN, VK_RETURN, 1);
    Settle();
    EXPECT_EQ(Clicks, std::vector<TButton*>{Next0}) << field;
  }
  Clicks.clear();
  memo->SetText("riga");
  SetFocus(H(*memo));
  SendMessageA(H(*memo), EM_SETSEL, 4, 4);
  PostMessageA(H(*memo), WM_KEYDOWN, VK_RETURN, 1);
  Settle();
  EXPECT_TRUE(Clicks.empty());
  EXPECT_EQ(memo->Text(), "riga\r\n\r\n");  // the typed new line reached the model
}

TEST_F(PeerTest, TabAndShiftTabLeaveATextBoxThatDoesNotWantTabs) {
  auto* memo = new TMemo(Form);
  memo->SetParent(Page0);
  memo->SetBounds(300, 100, 200, 80);
  memo->SetText("licenza");
  ShowAndSettle();
  SetForegroundWindow(H(*Form));
  HWND after = GetNextDlgTabItem(H(*Form), H(*memo), FALSE);
  HWND before = GetNextDlgTabItem(H(*Form), H(*memo), TRUE);
  ASSERT_NE(after, H(*memo));
  struct Case {
    bool shift;
    HWND expected;
  };
  for (const Case& c : {Case{false, after}, Case{true, before}}) {
    SetFocus(H(*memo));
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = c.shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(H(*memo), WM_KEYDOWN, VK_TAB, 1);
    Settle();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(GetFocus(), c.expected) << (c.shift ? "Shift+Tab" : "Tab");
  }
  EXPECT_EQ(memo->Text(), "licenza\r\n");  // no tab typed into it
}

TEST_F(PeerTest, FocusStartsOnTheModelsFirstTabStopOfTheShownPage) {
  Edit->SetTabOrder(-1);  // the field before the buttons on page 0
  ShowAndSettle();
  SetForegroundWindow(H(*Form));
  Settle();
  EXPECT_EQ(GetFocus(), H(*Edit));
  Book->SetPageIndex(1);  // the focused field is hidden: the next page's first
  Settle();
  EXPECT_EQ(GetFocus(), H(*Next1));
}

TEST_F(PeerTest, TextBoxShowsTheModelsLinesWithAScrollBar) {
  auto* memo = new TMemo(Form);
  memo->SetParent(Page0);
  memo->SetBounds(150, 170, 300, 60);
  memo->SetScrollBars(ssVertical);
  memo->SetBorderStyle(bsNone);
  memo->SetText("Prima riga\r\nSeconda riga");
  ShowAndSettle();
  HWND box = H(*memo);
  EXPECT_EQ(TextOf(box), "Prima riga\r\nSeconda riga\r\n");
  const LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_FALSE(style & ES_READONLY);
  EXPECT_FALSE(GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);  // flat
  // Typing, as the edit control hears it: the selection replaced.
  SendMessageA(box, EM_SETSEL, 0, -1);
  SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("Scritto a mano"));
  EXPECT_EQ(memo->Lines().Count(), 1);
  EXPECT_EQ(memo->Lines()[0], "Scritto a mano");
}

TEST_F(PeerTest, DriveBoxAndDirectoryListFollowTheModelAndTakeTheUsersChoice) {
  FoldersStub folders;
  auto* list = new TDirectoryListBox(Form);
  list->SetParent(Page0);
  list->SetBounds(150, 170, 145, 97);
  list->SetFileSystem(&folders);
  auto* drives = new TDriveComboBox(Form);
  drives->SetParent(Page0);
  drives->SetBounds(150, 280, 145, 21);
  drives->SetFileSystem(&folders);
  drives->DirList = list;
  ShowAndSettle();
  HWND listWindow = H(*list);
  // c:\, programmi (current), then its folders.
  ASSERT_EQ(SendMessageA(listWindow, LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(ListText(listWindow, 1), "programmi");
  EXPECT_EQ(ListText(listWindow, 3), "comuni");
  EXPECT_EQ(SendMessageA(listWindow, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(listWindow, LB_GETITEMHEIGHT, 0, 0), 16);
  // A double click on "brovik" opens it in the model.
  SendMessageA(listWindow, LB_SETCURSEL, 2, 0);
  SendMessageA(H(*Page0), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(listWindow), LBN_DBLCLK),
               reinterpret_cast<LPARAM>(listWindow));
  EXPECT_EQ(list->Directory(), "c:\\programmi\\brovik");
  EXPECT_EQ(ListText(listWindow, 2), "brovik");
  // The drive box lists both drives; choosing d: moves the list there.
  HWND box = H(*drives);
  ASSERT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 0);
  SendMessageA(box, CB_SETCURSEL, 1, 0);
  SendMessageA(H(*Page0), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
  EXPECT_EQ(drives->Drive(), 'd');
  EXPECT_EQ(list->Directory(), "d:\\");
  EXPECT_EQ(SendMessageA(listWindow, LB_GETCOUNT, 0, 0), 1);
}

// What the timer of the modal test saw. A timer procedure is CALLBACK
// (stdcall on i686), which a lambda cannot be.
struct ModalUser {
  HWND MainWindow;
  HWND OkWindow;
  bool MainEnabledMeanwhile;
};
ModalUser modalUser{};

void CALLBACK PressConfermaOnceShown(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialogWindow = FindWindowA(nullptr, "Seleziona percorso");
  if (!dialogWindow || !IsWindowVisible(dialogWindow)) return;
  modalUser.MainEnabledMeanwhile = IsWindowEnabled(modalUser.MainWindow) != FALSE;
  modalUser.OkWindow = FindWindowExA(dialogWindow, nullptr, "BUTTON", "Conferma");
  if (modalUser.OkWindow) PostMessageA(modalUser.OkWindow, BM_CLICK, 0, 0);
}

TEST_F(PeerTest, ModalFormTakesInputAloneAndReturnsItsButtonsResult) {
  ShowAndSettle();
  auto* dialog = new TForm(App.get(), *Peer);
  dialog->SetBorderStyle(bsDialog);
  dialog->SetPosition(poScreenCenter);
  dialog->SetClientWidth(275);
  dialog->SetClientHeight(258);
  dialog->SetCaption("Seleziona percorso");
  auto* ok = new TButton(dialog);
  ok->SetParent(dialog);
  ok->SetBounds(180, 100, 75, 25);
  ok->SetCaption("Conferma");
  ok->ModalResult = mrOk;
  // The user's part, from inside the modal loop: look, then press "Conferma".
  modalUser = {H(*Form), nullptr, true};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, PressConfermaOnceShown);
  const int result = dialog->ShowModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, mrOk);
  EXPECT_TRUE(modalUser.OkWindow != nullptr);
  EXPECT_FALSE(modalUser.MainEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(H(*Form)));
  EXPECT_FALSE(IsWindowVisible(H(*dialog)));
  // The dialog belongs to the main window, so it stays in front of it.
  EXPECT_EQ(GetWindow(H(*dialog), GW_OWNER), H(*Form));
  delete dialog;
}

TEST_F(PeerTest, HourglassStaysWhileTheMouseMovesOverTheForm) {
  ShowAndSettle();
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  SetCursor(wait);
  // A child asks its parent first: the page keeps the hourglass.
  EXPECT_TRUE(
      SendMessageA(H(*Page0), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(*Next0)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), wait);
  // A hand-cursor label under the arrow gets the hand.
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  Label->SetCursor(crHandPoint);
  POINT onLabel{310, 45};
  ClientToScreen(H(*Page0), &onLabel);
  SetCursorPos(onLabel.x, onLabel.y);
  EXPECT_TRUE(
      SendMessageA(H(*Page0), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(*Page0)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
}

TEST_F(PeerTest, QuitEndsAModalLoopAndStaysForTheMainLoop) {
  ShowAndSettle();
  auto* dialog = new TForm(App.get(), *Peer);
  dialog->SetClientWidth(100);
  dialog->SetClientHeight(50);
  PostQuitMessage(0);
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  delete dialog;
}

LRESULT CALLBACK CountingProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_APP + 1) {
    ++*reinterpret_cast<int*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    return 0;
  }
  return DefWindowProcA(Wnd, Msg, W, L);
}

TEST_F(PeerTest, PumpDispatchesPendingMessagesAndKeepsQuit) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VeltoCountingWindow";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowA("VeltoCountingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  int count = 0;
  SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
  PostMessageA(wnd, WM_APP + 1, 0, 0);
  PostMessageA(wnd, WM_APP + 1, 0, 0);
  platform::IMessagePump& pump = *App;
  pump.ProcessMessages();
  EXPECT_EQ(count, 2);
  // A quit request seen while pumping stays for the main loop.
  PostQuitMessage(7);
  pump.ProcessMessages();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  DestroyWindow(wnd);
}

// Work that pumps through the application gets the form's dialog keys: Enter
// on the focused button presses it, as in the main loop.
TEST_F(PeerTest, PumpGivesKeysTheDialogHandling) {
  ShowAndSettle();
  SetForegroundWindow(H(*Form));
  SetFocus(H(*Close0));
  PostMessageA(H(*Close0), WM_KEYDOWN, VK_RETURN, 1);
  platform::IMessagePump& pump = *App;
  pump.ProcessMessages();
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], Close0);
}

TEST_F(PeerTest, ResourceBitmapsArePaintedFromTheProgramsResources) {
  // The test program carries the installer's resources.
  auto* logo = new TImage(Form);
  logo->SetParent(Page0);
  logo->SetBounds(18, 12, 104, 93);
  logo->SetPicture(TBitmap::Resource("LOGO_PAGE", 104, 93));
  auto* missing = new TImage(Form);
  missing->SetParent(Page0);
  missing->SetBounds(200, 200, 20, 20);
  missing->SetPicture(TBitmap::Resource("NO_SUCH_BITMAP", 20, 20));
  ShowAndSettle();
  HWND page = H(*Page0);
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(page);
  // The logo's corners are the framed box's blue; its lens is light.
  EXPECT_EQ(GetPixel(dc, 18, 12), RGB(0, 128, 192));
  EXPECT_EQ(GetPixel(dc, 18 + 103, 12 + 92), RGB(0, 128, 192));
  EXPECT_NE(GetPixel(dc, 18 + 52, 12 + 46), RGB(0, 64, 128));
  // A missing resource leaves the page as it is.
  EXPECT_EQ(GetPixel(dc, 210, 210), RGB(0, 64, 128));
  ReleaseDC(page, dc);
}

}  // namespace
