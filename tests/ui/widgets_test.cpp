// The widget model, the application object and the headless peer.
#include "ui/widgets.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "tests/support/fake_dialogs.h"
#include "ui/application.h"
#include "ui/headless_peer.h"

namespace {

class WidgetsTest : public ::testing::Test {
 protected:
  WidgetsTest() : app(peer, dialogs) { app.Title = "Prova"; }

  template <class T>
  T* Make(TForm* Form, TWinControl* Parent) {
    auto* c = new T(Form);
    c->SetParent(Parent);
    return c;
  }

  HeadlessPeer peer;
  testsupport::FakeDialogs dialogs;
  TApplication app;
};

TEST_F(WidgetsTest, PeerHearsNothingBeforeTheFormIsFirstShown) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* label = Make<TLabel>(form, form);
  label->SetCaption("prima");
  EXPECT_TRUE(peer.Changes.empty());
  EXPECT_TRUE(peer.FormsCreated.empty());
  form->ShowForm();
  ASSERT_EQ(peer.FormsCreated.size(), 1u);
  label->SetCaption("dopo");
  EXPECT_EQ(peer.ChangeCount(*label, wcCaption), 1);
  label->SetCaption("dopo");  // unchanged: not told again
  EXPECT_EQ(peer.ChangeCount(*label, wcCaption), 1);
}

TEST_F(WidgetsTest, ColourAndFontComeFromTheParentUntilSetAndChangesReachChildren) {
  auto* form = app.CreateForm<TForm>(peer);
  form->SetColor(RgbColor(1, 2, 3));
  auto* panel = Make<TPanel>(form, form);
  auto* label = Make<TLabel>(form, panel);
  EXPECT_EQ(label->Color(), RgbColor(1, 2, 3));
  form->ShowForm();
  TFont white;
  white.Color = clWhite;
  panel->SetFont(white);
  EXPECT_EQ(label->Font().Color, clWhite);
  EXPECT_EQ(peer.ChangeCount(*label, wcFont), 1);
  label->SetColor(clBlack);
  form->SetColor(clWhite);
  EXPECT_EQ(panel->Color(), clWhite);
  EXPECT_EQ(label->Color(), clBlack);
  EXPECT_EQ(peer.ChangeCount(*label, wcColor), 1);
  EXPECT_EQ(peer.ChangeCount(*panel, wcColor), 1);
}

TEST_F(WidgetsTest, AlignedChildrenShareTheParentTopBottomThenClient) {
  auto* form = app.CreateForm<TForm>(peer);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  auto* top = Make<TPanel>(form, form);
  top->SetHeight(20);
  top->SetAlign(alTop);
  auto* client = Make<TPanel>(form, form);
  client->SetAlign(alClient);
  auto* bottom = Make<TPanel>(form, form);
  bottom->SetHeight(30);
  bottom->SetAlign(alBottom);
  EXPECT_EQ(client->Top(), 20);
  EXPECT_EQ(client->Height(), 150);
  EXPECT_EQ(client->Width(), 300);
  EXPECT_EQ(bottom->Top(), 170);
  form->SetClientHeight(400);
  EXPECT_EQ(bottom->Top(), 370);
  EXPECT_EQ(client->Height(), 350);
}

TEST_F(WidgetsTest, NotebookShowsOnlyTheCurrentPage) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* book = Make<TNotebook>(form, form);
  TPage* a = book->AddPage(form, "a");
  TPage* b = book->AddPage(form, "b");
  EXPECT_EQ(book->PageIndex(), 0);
  EXPECT_TRUE(a->Visible());
  EXPECT_FALSE(b->Visible());
  form->ShowForm();
  book->SetPageIndex(1);
  EXPECT_FALSE(a->Visible());
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(peer.ChangeCount(*a, wcVisible), 1);
  book->SetPageIndex(7);  // ignored
  EXPECT_EQ(book->PageIndex(), 1);
  auto* onA = Make<TButton>(form, a);
  EXPECT_FALSE(onA->Showing());
  EXPECT_FALSE(peer.Click(*onA));
}

TEST_F(WidgetsTest, CheckBoxTogglesRadioButtonsExcludeEachOtherInTheirParent) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  auto* box = Make<TCheckBox>(form, form);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  peer.Click(*box);
  EXPECT_TRUE(box->Checked());
  peer.Click(*box);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks, 2);
  auto* r1 = Make<TRadioButton>(form, form);
  auto* r2 = Make<TRadioButton>(form, form);
  auto* group = Make<TGroupBox>(form, form);
  auto* r3 = Make<TRadioButton>(form, group);
  r1->SetChecked(true);
  r3->SetChecked(true);
  peer.Click(*r2);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(r3->Checked());  // another parent, another group
}

TEST_F(WidgetsTest, DisabledControlOrParentTakesNoInput) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  auto* panel = Make<TPanel>(form, form);
  auto* button = Make<TButton>(form, panel);
  auto* edit = Make<TEdit>(form, form);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  panel->SetEnabled(false);
  EXPECT_FALSE(peer.Click(*button));
  panel->SetEnabled(true);
  EXPECT_TRUE(peer.Click(*button));
  EXPECT_EQ(clicks, 1);
  edit->SetEnabled(false);
  EXPECT_FALSE(peer.Type(*edit, "x"));
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(WidgetsTest, TypedTextIsNotEchoedToThePeerButRunsOnChange) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  auto* edit = Make<TEdit>(form, form);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  peer.Type(*edit, "ciao");
  EXPECT_EQ(edit->Text(), "ciao");
  EXPECT_EQ(peer.ChangeCount(*edit, wcText), 0);
  edit->SetText("altro");
  EXPECT_EQ(peer.ChangeCount(*edit, wcText), 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(WidgetsTest, ProgressPositionStaysInRangeAndRepaintReachesThePeer) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* bar = Make<TProgressBar>(form, form);
  bar->SetRange(0, 10);
  bar->SetPosition(12);
  EXPECT_EQ(bar->Position(), 10);
  bar->SetPosition(-1);
  EXPECT_EQ(bar->Position(), 0);
  bar->Repaint();
  EXPECT_EQ(peer.Repaints[bar], 0);  // not shown yet
  form->ShowForm();
  bar->Repaint();
  EXPECT_EQ(peer.Repaints[bar], 1);
}

TEST_F(WidgetsTest, ExceptionInAnEventIsShownWithTheTitleAndAbortIsSilent) {
  app.DispatchEvent([] { throw Exception("Qualcosa non va"); });
  app.DispatchEvent([] { throw EAbort(); });
  app.DispatchEvent([] { throw std::runtime_error("runtime"); });
  ASSERT_EQ(dialogs.Boxes.size(), 2u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "Qualcosa non va");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Prova");
  EXPECT_EQ(dialogs.Boxes[0].Flags, platform::mbOK | platform::mbIconError);
  EXPECT_EQ(dialogs.Boxes[1].Text, "runtime");
}

TEST_F(WidgetsTest, ExceptionInOnCreateIsShownAndTheFormLives) {
  auto* form = app.CreateForm<TForm>(peer);
  form->OnCreate = [](TObject*) { throw Exception("creazione"); };
  form->DoCreate();
  EXPECT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(app.MainForm(), form);
}

TEST_F(WidgetsTest, ClosingMainFormWithFreeReleasesItAfterTheEvent) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  form->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
  auto* button = Make<TButton>(form, form);
  bool aliveInHandler = false;
  button->OnClick = [&](TObject*) {
    form->Close();
    aliveInHandler = app.MainForm() == form;  // still there inside the event
  };
  peer.Click(*button);
  EXPECT_TRUE(aliveInHandler);
  EXPECT_EQ(app.MainForm(), nullptr);
  EXPECT_TRUE(app.Terminated());
  EXPECT_GE(peer.QuitPosts, 1);
  EXPECT_EQ(peer.FormsDestroyed.size(), 1u);
}

TEST_F(WidgetsTest, CloseQueryCanRefuseAndCloseActionNoneKeepsTheForm) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  bool can = false;
  int closes = 0;
  form->OnCloseQuery = [&](TObject*, bool& C) { C = can; };
  form->OnClose = [&](TObject*, TCloseAction& A) {
    ++closes;
    A = caNone;
  };
  peer.PressCloseBox(*form);
  EXPECT_EQ(closes, 0);
  can = true;
  peer.PressCloseBox(*form);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(app.Terminated());
  EXPECT_EQ(app.MainForm(), form);
}

TEST_F(WidgetsTest, ModalResultComesFromTheButtonOrIsCancelWhenClosed) {
  auto* main = app.CreateForm<TForm>(peer);
  main->ShowForm();
  TForm dialog(&app, peer);
  auto* ok = Make<TButton>(&dialog, &dialog);
  ok->ModalResult = mrOk;
  peer.OnShowModal = [&](TForm& F) {
    EXPECT_TRUE(F.Modal());
    peer.Click(*ok);
  };
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_FALSE(dialog.Visible());
  peer.OnShowModal = [&](TForm& F) { peer.PressCloseBox(F); };
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  peer.OnShowModal = nullptr;  // the user did nothing: the peer's loop ended
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_FALSE(app.Terminated());
}

TEST_F(WidgetsTest, DestroyingAControlTellsThePeerAndLeavesItsParent) {
  auto* form = app.CreateForm<TForm>(peer);
  form->ShowForm();
  auto* label = Make<TLabel>(form, form);
  label->SetCaption("x");
  EXPECT_EQ(form->ControlCount(), 1);
  EXPECT_EQ(peer.ChangeCount(*label, wcCaption), 1);
  const TControl* gone = label;
  delete label;
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_EQ(peer.ControlsDestroyed, 1);
  for (const auto& note : peer.Changes) EXPECT_NE(note.Control, gone);
}

TEST_F(WidgetsTest, TabOrderListSortsByTabOrderKeepingCreationOrderOtherwise) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* a = Make<TButton>(form, form);
  auto* b = Make<TButton>(form, form);
  auto* c = Make<TButton>(form, form);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TControl*>{a, b, c}));
  c->SetTabOrder(-1);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TControl*>{c, a, b}));
  EXPECT_TRUE(a->TabStop());
  EXPECT_FALSE(Make<TLabel>(form, form)->TabStop());
}

TEST_F(WidgetsTest, FirstTabStopFollowsTabOrderIntoContainersAndSkipsWhatTakesNoFocus) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* book = Make<TNotebook>(form, form);
  TPage* page0 = book->AddPage(form, "uno");
  TPage* page1 = book->AddPage(form, "due");
  Make<TLabel>(form, page0);  // never a tab stop
  auto* edit = Make<TEdit>(form, page0);
  auto* bar = Make<TPanel>(form, page0);
  auto* back = Make<TButton>(form, bar);
  auto* next = Make<TButton>(form, bar);
  auto* other = Make<TButton>(form, page1);
  EXPECT_EQ(form->FirstTabStop(), nullptr);  // a form not shown takes no focus
  form->ShowForm();
  EXPECT_EQ(form->FirstTabStop(), edit);
  bar->SetTabOrder(-1);  // the bar before the field
  EXPECT_EQ(form->FirstTabStop(), back);
  next->SetTabOrder(-1);
  EXPECT_EQ(form->FirstTabStop(), next);
  next->SetEnabled(false);  // disabled: the next one
  EXPECT_EQ(form->FirstTabStop(), back);
  back->SetTabStop(false);
  EXPECT_EQ(form->FirstTabStop(), edit);
  edit->SetVisible(false);
  EXPECT_EQ(form->FirstTabStop(), nullptr);
  book->SetPageIndex(1);  // only the current page counts
  EXPECT_EQ(form->FirstTabStop(), other);
}

TEST_F(WidgetsTest, EnterPressesTheFocusedButtonElseTheShownDefaultExceptInATextBox) {
  auto* form = app.CreateForm<TForm>(peer);
  auto* book = Make<TNotebook>(form, form);
  TPage* pages[2] = {book->AddPage(form, "uno"), book->AddPage(form, "due")};
  TButton* defaults[2];
  TEdit* edit = Make<TEdit>(form, pages[0]);
  TMemo* memo = Make<TMemo>(form, pages[0]);
  TCheckBox* check = Make<TCheckBox>(form, pages[0]);
  TButton* back = Make<TButton>(form, pages[0]);
  for (int i = 0; i < 2; ++i) {
    defaults[i] = Make<TButton>(form, pages[i]);
    defaults[i]->Default = true;
  }
  form->ShowForm();
  struct Case {
    TControl* focused;
    TButton* expected;
  };
  const Case cases[] = {
      {edit, defaults[0]}, {check, defaults[0]},       {nullptr, defaults[0]},
      {back, back},        {defaults[0], defaults[0]}, {memo, nullptr},  // a new line in the box
  };
  for (const Case& c : cases) EXPECT_EQ(form->EnterTarget(c.focused), c.expected) << c.focused;
  memo->WantReturns = false;
  EXPECT_EQ(form->EnterTarget(memo), defaults[0]);
  defaults[0]->SetEnabled(false);  // a disabled default takes no Enter
  EXPECT_EQ(form->EnterTarget(edit), nullptr);
  book->SetPageIndex(1);
  EXPECT_EQ(form->DefaultButton(), defaults[1]);

  // The headless peer presses it.
  int clicks = 0;
  defaults[1]->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_TRUE(peer.PressEnter(*form, nullptr));
  EXPECT_EQ(clicks, 1);
  defaults[1]->Default = false;
  EXPECT_FALSE(peer.PressEnter(*form, nullptr));
  EXPECT_EQ(clicks, 1);
}

TEST_F(WidgetsTest, BitmapsShareTheirDataAndCheckTheirSize) {
  TBitmap a(2, 1, {clWhite, clBlack});
  TBitmap b = a;
  EXPECT_TRUE(a.SameAs(b));
  EXPECT_FALSE(a.SameAs(TBitmap(2, 1, {clWhite, clBlack})));
  EXPECT_EQ(a.Pixel(1, 0), clBlack);
  EXPECT_THROW(TBitmap(2, 2, {clWhite}), EArgumentError);
  TBitmap r = TBitmap::Resource("LOGO", 10, 20);
  EXPECT_EQ(r.ResourceName(), "LOGO");
  EXPECT_EQ(r.Pixels(), nullptr);
  EXPECT_EQ(r.Height(), 20);
  EXPECT_EQ(TFont{}.Height(), -11);
}

}  // namespace
