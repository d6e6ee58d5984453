// The wizard window's stored layout: every page, control, caption, Tag, size
// and colour, and the settings of the four owned components.
#include <algorithm>
#include <vector>

#include "app/unit1.h"
#include "app/wizard_texts.h"
#include "ui/application.h"

namespace {

constexpr TColor kFormColor = RgbColor(0, 128, 192);
constexpr TColor kNotebookColor = RgbColor(0, 64, 128);
constexpr TColor kStripColor = RgbColor(0, 0, 96);

// Bottom bar buttons: Next at the right, Back 84 pixels to its left, a third
// button (the licence page's "NO") 84 further left.
constexpr int kNextX = 506, kBackX = 422, kThirdX = 338, kButtonY = 8;
constexpr int kButtonW = 75, kButtonH = 25;
constexpr int kBarHeight = 41;

TFont WhiteFont(bool Bold = false) {
  TFont f;
  f.Color = clWhite;
  f.Bold = Bold;
  return f;
}

class Builder {
 public:
  explicit Builder(TForm1& Form) : FForm(Form) {}

  // A control owned by the wizard window, inside Parent.
  template <class T>
  T* Make(TWinControl* Parent, const char* Name, int L, int T_, int W, int H) {
    return NewControl<T>(&FForm, Parent, Name, L, T_, W, H);
  }

  TLabel* Label(TWinControl* Parent, const char* Name, const std::string& Caption, int L, int T_, int W, int H,
                bool WordWrap = true) {
    auto* l = Make<TLabel>(Parent, Name, L, T_, W, H);
    l->SetCaption(Caption);
    l->SetTransparent(true);
    l->SetWordWrap(WordWrap);
    return l;
  }

  TButton* Button(TWinControl* Parent, const char* Name, const std::string& Caption, int Tag, int L, int T_ = kButtonY,
                  int W = kButtonW, int H = kButtonH) {
    auto* b = Make<TButton>(Parent, Name, L, T_, W, H);
    b->SetCaption(Caption);
    b->Tag = Tag;
    return b;
  }

  // The bottom bar of a page: face colour, black text.
  TPanel* Bar(TPage* Page, const char* Name) {
    auto* p = Make<TPanel>(Page, Name, 0, 0, 0, kBarHeight);
    p->SetBevelOuter(bvNone);
    p->SetColor(clBtnFace);
    p->SetFont(TFont{});
    p->SetAlign(alBottom);
    return p;
  }

  // The framed box with its logo, on pages 0, 2 and 5.
  TImage* FramedLogo(TPage* Page, const char* ShapeName, TShape*& Shape, const char* ImageName) {
    Shape = Make<TShape>(Page, ShapeName, 10, 8, 119, 280);
    Shape->SetShape(stRectangle);
    Shape->SetBrushColor(kFormColor);
    Shape->SetPenColor(clWhite);
    return Make<TImage>(Page, ImageName, 18, 12, 104, 93);
  }

  // Tab order of Parent's children: First in the order given, then the
  // others in creation order. The first focus of a page is its first tab
  // stop (TWinControl::FirstTabStop).
  void TabOrder(TWinControl* Parent, const std::vector<TControl*>& First) {
    int order = 0;
    for (TControl* c : First) c->SetTabOrder(order++);
    for (int i = 0; i < Parent->ControlCount(); ++i) {
      TControl* c = Parent->Controls(i);
      if (std::find(First.begin(), First.end(), c) == First.end()) c->SetTabOrder(order++);
    }
  }

  // Next is the bar's forward button: Enter presses it, and it leads the
  // bar's tab order, before the bar's Others.
  void Forward(TPanel* Bar, TButton* Next, std::vector<TControl*> Others) {
    Next->Default = true;
    Others.insert(Others.begin(), Next);
    TabOrder(Bar, Others);
  }

  // The maker's two-line notice at the left of a bottom bar.
  TLabel* Notice(TPanel* Bar, const char* Name) {
    auto* l = Label(Bar, Name, kMakerNotice, 8, 4, 230, 32);
    TFont f;
    f.Name = "Arial";
    f.Bold = true;
    f.Color = clBlack;
    l->SetFont(f);
    return l;
  }

 private:
  TForm1& FForm;
};

}  // namespace

void TForm1::LoadLayout() {
  Builder b(*this);
  Name = "Form1";
  SetCaption("Installazione di Velto2005");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(592);
  SetClientHeight(464);
  SetColor(kFormColor);
  SetFont(TFont{});  // MS Sans Serif, 8 point

  // ---- Banner ----
  PanelBanner = b.Make<TPanel>(this, "PanelBanner", 0, 0, 592, 49);
  PanelBanner->SetBevelOuter(bvNone);
  PanelBanner->SetColor(clWhite);
  PanelBanner->SetAlign(alTop);
  ImageLogo = b.Make<TImage>(PanelBanner, "ImageLogo", 16, 0, 200, 54);
  ImageLogo->SetPicture(TBitmap::Resource("LOGO_BANNER", 200, 54));
  PanelTitle = b.Make<TPanel>(PanelBanner, "PanelTitle", 592 - 280, 0, 280, 49);
  PanelTitle->SetBevelOuter(bvNone);
  PanelTitle->SetColor(clWhite);
  PanelStrip = b.Make<TPanel>(PanelTitle, "PanelStrip", 0, 0, 280, 17);
  PanelStrip->SetBevelOuter(bvNone);
  PanelStrip->SetColor(kStripColor);
  PanelStrip->SetAlign(alTop);
  ShapeCircle = b.Make<TShape>(PanelStrip, "ShapeCircle", -30, -4, 65, 65);
  ShapeCircle->SetShape(stCircle);
  ShapeCircle->SetBrushColor(clWhite);
  ShapeCircle->SetPenColor(clWhite);
  LabelTitle = b.Label(PanelStrip, "LabelTitle", "Programma di installazione di Velto2005", 42, 2, 236, 14, false);
  TFont arial = WhiteFont();
  arial.Name = "Arial";
  LabelTitle->SetFont(arial);

  // ---- Status bar and notebook ----
  StatusBar1 = b.Make<TStatusBar>(this, "StatusBar1", 0, 0, 592, 18);
  StatusBar1->SetAlign(alBottom);
  Notebook1 = b.Make<TNotebook>(this, "Notebook1", 0, 49, 592, 397);
  Notebook1->SetColor(kNotebookColor);
  Notebook1->SetFont(WhiteFont());
  Notebook1->SetAlign(alClient);

  // ---- Page 0: welcome and uninstall ----
  TPage* page = Notebook1->AddPage(this, "Default");
  ImgBase = b.FramedLogo(page, "Shape1", Shape1, "ImgBase");
  ImgBase->SetPicture(TBitmap::Resource("LOGO_PAGE", 104, 93));
  Label1 =
      b.Label(page, "Label1", "La più completa e innovativa suite di agenti di ricerca per il web.", 14, 124, 111, 80);
  Label1->SetAlignment(taCenter);
  Label2 = b.Label(page, "Label2", "", 150, 16, 420, 16);
  Label2->SetFont(WhiteFont(true));
  Label3 = b.Label(page, "Label3", "Siete fortunati.", 150, 40, 420, 16);
  Label4 = b.Label(page, "Label4",
                   "Da oggi cercare su internet diventa facile e veloce; niente più attese e perdite di tempo.", 150,
                   64, 420, 30);
  Label5 =
      b.Label(page, "Label5", "Tutte le informazioni di cui avete bisogno sono a portata di click grazie a Velto 2005",
              150, 100, 420, 30);
  Label6 = b.Label(page, "Label6", "Premere avanti per procedere con l'installazione", 150, 136, 420, 16);
  Button14 = b.Button(page, "Button14", "Disinstalla Velto2005", 0, 150, 176, 177, 25);
  Panel1 = b.Bar(page, "Panel1");
  Label7 = b.Notice(Panel1, "Label7");
  ProgressBar2 = b.Make<TProgressBar>(Panel1, "ProgressBar2", 250, 12, 160, 16);
  ProgressBar2->SetRange(0, 10);
  Button3 = b.Button(Panel1, "Button3", "&Chiudi", 0, kBackX);
  Button2 = b.Button(Panel1, "Button2", "&Avanti>>", 1, kNextX);
  // The bar before "Disinstalla Velto2005": the first focus is "&Avanti>>",
  // so Enter never uninstalls.
  b.Forward(Panel1, Button2, {Button3});
  b.TabOrder(page, {Panel1});

  // ---- Page 1: statistics card ----
  page = Notebook1->AddPage(this, "Meil");
  Label8 = b.Label(page, "Label8",
                   "Scheda Statistica VELTO - I dati della scheda verranno inoltrati con il programma di posta "
                   "predefinito",
                   10, 8, 570, 28);
  Label8->SetFont(WhiteFont(true));
  struct Field {
    const char* LabelName;
    TLabel** LabelPtr;
    const char* Caption;
    const char* EditName;
    TEdit** EditPtr;
  };
  const Field fields[] = {
      {"Label9", &Label9, "Cognome", "Edit1", &Edit1},
      {"Label10", &Label10, "Nome", "Edit2", &Edit2},
      {"Label11", &Label11, "Indirizzo", "Edit7", &Edit7},
      {"Label12", &Label12, "Città", "Edit3", &Edit3},
      {"Label13", &Label13, "Prov.", "Edit4", &Edit4},
      {"Label14", &Label14, "Età", "Edit5", &Edit5},
      {"Label15", &Label15, "Telefono cellulare (*Opzionale)", "Edit6", &Edit6},
  };
  int y = 44;
  for (const Field& f : fields) {
    *f.LabelPtr = b.Label(page, f.LabelName, f.Caption, 10, y + 2, 185, 16, false);
    TEdit* e = b.Make<TEdit>(page, f.EditName, 200, y, 170, 18);
    e->SetBorderStyle(bsNone);
    e->SetFont(TFont{});
    *f.EditPtr = e;
    y += 24;
  }
  GroupBox1 = b.Make<TGroupBox>(page, "GroupBox1", 390, 40, 185, 70);
  GroupBox1->SetCaption("Sesso");
  CheckBox1 = b.Make<TCheckBox>(GroupBox1, "CheckBox1", 12, 20, 120, 17);
  CheckBox1->SetCaption("Maschio");
  CheckBox2 = b.Make<TCheckBox>(GroupBox1, "CheckBox2", 12, 44, 120, 17);
  CheckBox2->SetCaption("Femmina");
  Label16 = b.Label(page, "Label16",
                    "Compilando la scheda sarai informato tempestivamente sulle nuove release e suoi nuovi software "
                    "prodotti da BROVIK",
                    390, 120, 185, 70);
  Label16->SetFont(WhiteFont(true));
  Label17 = b.Label(page, "Label17", "Leggere con attenzione:", 10, 216, 200, 16, false);
  Label17->SetFont(WhiteFont(true));
  Memo3 = b.Make<TMemo>(page, "Memo3", 10, 234, 400, 112);
  Memo3->SetBorderStyle(bsNone);
  Memo3->SetScrollBars(ssVertical);
  Memo3->SetReadOnly(false);
  Memo3->SetFont(TFont{});
  Memo3->SetText(kPrivacyText);
  Label18 = b.Label(page, "Label18", "Informativa privacy ", 420, 234, 160, 16, false);
  TFont link = WhiteFont(true);
  link.Underline = true;
  Label18->SetFont(link);
  Label18->SetCursor(crHandPoint);
  Label19 = b.Label(page, "Label19", "(Selezionando accetto, accetti anche quanto previsto dalla informativa)", 420,
                    254, 160, 44);
  RadioButton1 = b.Make<TRadioButton>(page, "RadioButton1", 420, 304, 76, 17);
  RadioButton1->SetCaption("Accetto");
  RadioButton1->SetChecked(true);
  RadioButton2 = b.Make<TRadioButton>(page, "RadioButton2", 500, 304, 85, 17);
  RadioButton2->SetCaption("non accetto");
  Panel2 = b.Bar(page, "Panel2");
  Label20 = b.Notice(Panel2, "Label20");
  Button13 = b.Button(Panel2, "Button13", "&Indietro", 0, kBackX);
  Button12 = b.Button(Panel2, "Button12", "&Avanti>>", 2, kNextX);
  b.Forward(Panel2, Button12, {Button13});  // the card's fields come first

  // ---- Page 2: destination folder ----
  page = Notebook1->AddPage(this, "due");
  Image2 = b.FramedLogo(page, "Shape2", Shape2, "Image2");
  Label21 = b.Label(page, "Label21", "Per installare nelle Directory premere Avanti", 150, 168, 320, 16, false);
  Label22 = b.Label(page, "Label22", "Per cambiare Directory premere Cambia", 150, 188, 320, 16, false);
  GroupBox2 = b.Make<TGroupBox>(page, "GroupBox2", 146, 228, 430, 60);
  GroupBox2->SetCaption("Directory di destinazione");
  LabelDir = b.Label(GroupBox2, "LabelDir", "c:\\programmi\\brovik\\agent", 12, 26, 316, 16, false);
  Button5 = b.Button(GroupBox2, "Button5", "Cambia", 0, 340, 20);
  Panel10 = b.Make<TPanel>(page, "Panel10", 146, 8, 325, 209);
  Panel10->SetBevelOuter(bvNone);
  Panel10->SetColor(kNotebookColor);
  Label26 = b.Label(Panel10, "Label26",
                    "Per un corretto funzionamento di VELTO è necessario installare il visualizzatore di Macromedia "
                    "Flash!",
                    8, 8, 309, 44);
  Label26->SetVisible(false);
  Label29 = b.Label(Panel10, "Label29", "Per installare il componente aggiuntivo premere il pulsante", 8, 60, 309, 16);
  Label29->SetVisible(false);
  Image5 = b.Make<TImage>(Panel10, "Image5", 95, 84, 135, 38);
  Image5->SetPicture(TBitmap::Resource("ADDON_BUTTON", 135, 38));
  Image5->SetCursor(crHandPoint);
  Image5->SetVisible(false);
  Label30 = b.Label(Panel10, "Label30", "Per installare nelle Directory premere Avanti", 4, 160, 317, 16, false);
  Label31 = b.Label(Panel10, "Label31", "Per cambiare Directory premere Cambia", 4, 180, 317, 16, false);
  Panel3 = b.Bar(page, "Panel3");
  Indietro = b.Button(Panel3, "Indietro", "<<&Indietro", 1, kBackX);
  Button4 = b.Button(Panel3, "Button4", "&Avanti>>", 3, kNextX);
  b.Forward(Panel3, Button4, {Indietro});
  b.TabOrder(page, {Panel3});

  // ---- Page 3: licence agreement ----
  page = Notebook1->AddPage(this, "Tre");
  Label23 = b.Label(page, "Label23",
                    "Leggere il seguente accordo di licenza. Premere il tasto PAG-GIU' per visualizzare la parte "
                    "restante dell'accordo",
                    16, 8, 559, 30);
  Memo1 = b.Make<TMemo>(page, "Memo1", 16, 42, 559, 213);
  Memo1->SetBorderStyle(bsNone);
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetReadOnly(false);
  Memo1->SetFont(TFont{});
  Memo1->SetText(kLicenceText);
  Label24 = b.Label(page, "Label24",
                    "L'utente accetta i termini del precedente accordo? Selezionando NO, l'installazione viene "
                    "sospesa.Per installare velto premere SI",
                    16, 264, 559, 44);
  Panel4 = b.Bar(page, "Panel4");
  Button8 = b.Button(Panel4, "Button8", "NO", 0, kThirdX);
  Button7 = b.Button(Panel4, "Button7", "<<&Indietro", 2, kBackX);
  Button6 = b.Button(Panel4, "Button6", "Si", 4, kNextX);
  b.Forward(Panel4, Button6, {Button7, Button8});
  b.TabOrder(page, {Panel4});  // not the licence box: typing must not edit it

  // ---- Page 4: product information ----
  page = Notebook1->AddPage(this, "erwe");
  Label25 = b.Label(page, "Label25", "Informazioni", 16, 8, 300, 16, false);
  Label25->SetFont(WhiteFont(true));
  Memo2 = b.Make<TMemo>(page, "Memo2", 15, 30, 561, 213);
  Memo2->SetBorderStyle(bsNone);
  Memo2->SetScrollBars(ssVertical);
  Memo2->SetReadOnly(false);
  Memo2->SetFont(TFont{});
  Memo2->SetText(kInformationText);
  Panel5 = b.Bar(page, "Panel5");
  Button11 = b.Button(Panel5, "Button11", "<<&Indietro", 3, kBackX);
  Button1 = b.Button(Panel5, "Button1", "Avanti >>", 5, kNextX);
  b.Forward(Panel5, Button1, {Button11});
  b.TabOrder(page, {Panel5});

  // ---- Page 5: install ----
  page = Notebook1->AddPage(this, "Quattro");
  Image4 = b.FramedLogo(page, "Shape3", Shape3, "Image4");
  Label27 = b.Label(page, "Label27", "Complimenti per la vostra scelta.", 150, 40, 420, 16, false);
  Label27->SetFont(WhiteFont(true));
  Label28 = b.Label(page, "Label28", "Il programma verrà installato sul vostro computer in pochi secondi", 150, 70, 420,
                    16, false);
  Label32 = b.Label(page, "Label32", "Buon lavoro!!!", 150, 100, 420, 16, false);
  Panel6 = b.Bar(page, "Panel6");
  ProgressBar1 = b.Make<TProgressBar>(Panel6, "ProgressBar1", 10, 12, 390, 16);
  ProgressBar1->SetRange(0, 100);
  ProgressBar1->SetVisible(false);
  Button10 = b.Button(Panel6, "Button10", "<<&Indietro", 3, kBackX);
  Button9 = b.Button(Panel6, "Button9", "Installa", 0, kNextX);
  b.Forward(Panel6, Button9, {Button10});
  b.TabOrder(page, {Panel6});

  Notebook1->SetPageIndex(0);

  // ---- Owned components ----
  BackupFile1 = new TBackupFile(this, FServices.Files, FServices.Dialogs, &FRestorePump);
  BackupFile1->Name = "BackupFile1";
  BackupFile1->SetBackupMode(bmAll);
  BackupFile1->CompressionLevel = clMax;
  BackupFile1->RestoreMode = rmAll;
  BackupFile1->MaxSize = 0;
  BackupFile1->SetArchiveFlag = false;
  BackupFile1->RestoreFullPath = false;
  BackupFile1->SaveFileID = false;

  MyShortCut1 = new TMyShortCut(this, FServices.Shell, FServices.Registry, FServices.Files);
  MyShortCut1->Name = "MyShortCut1";
  MyShortCut1->Tag = 50;
  MyShortCut1->ExeName = "velto.exe";
  MyShortCut1->IconPathName = "search.ico";
  MyShortCut1->Descrizione = "Cerca con velto";
  MyShortCut1->MenuText = "Cerca con velto";
  MyShortCut1->LinkName = "Velto2003";
  MyShortCut1->GruppoProgrammiName = "Velto2003";
  MyShortCut1->DescrizioneExeInForder = "Velto";
  MyShortCut1->CLSIDExplore = "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}";
  MyShortCut1->CLSIDExplore1 = "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}";
  MyShortCut1->CreateDeskTopLink = true;
  MyShortCut1->CreateFolder = true;
  MyShortCut1->CreateToTrova = true;
  MyShortCut1->CreateToExplorer = true;
  MyShortCut1->CreateToAvvio = true;
  for (const char* file : kProductFiles) MyShortCut1->listafile.Add(file);

  INetDetector1 = new TINetDetector(this, FServices.Timers, FServices.Sockets, FServices.Registry);
  INetDetector1->Name = "INetDetector1";
  INetDetector1->SetEnabled(true);
  INetDetector1->SetDispatchInterval(1000);
  INetDetector1->SetOnline(true);  // stored in the layout; has no effect
  INetDetector1->OnException = [] {
    if (Application) Application->HandleException();
  };

  MapiUse1 = new TMapiControl(this, FServices.Mail);
  MapiUse1->Name = "MapiUse1";
  MapiUse1->ShowDialog = false;
  MapiUse1->UseAppHandle = false;
  // The mail client's window belongs to the main form read at send time.
  MapiUse1->OnGetParentWindow = [] {
    TForm* main = Application ? Application->MainForm() : nullptr;
    return main ? reinterpret_cast<uintptr_t>(main->PeerHandle) : uintptr_t{0};
  };

  // ---- Events ----
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnPaint = [this](TObject* S) { FormPaint(S); };
  OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  auto navigate = [this](TObject* S) { Button2Click(S); };
  for (TButton* button : {Button2, Button13, Button4, Indietro, Button6, Button7, Button1, Button11, Button10})
    button->OnClick = navigate;
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  Button8->OnClick = [this](TObject* S) { Button8Click(S); };
  Button9->OnClick = [this](TObject* S) { Button1Click(S); };
  Button12->OnClick = [this](TObject* S) { SendMail(S); };
  Button14->OnClick = [this](TObject* S) { Deinstall(S); };
  Button5->OnClick = [this](TObject* S) { Button5Click(S); };
  Image5->OnClick = [this](TObject* S) { Button14Click(S); };
  BackupFile1->OnRestoreFile = [this](TObject* S, std::string& F, int32_t FA, bool& Do) {
    BackupFile1RestoreFile(S, F, FA, Do);
  };
  BackupFile1->OnProgress = [this](TObject* S, const std::string& F, TPercentage P, bool& C) {
    BackupFile1Progress(S, F, P, C);
  };
  BackupFile1->OnFileRestored = [this](TObject* S, std::string& F, TFileStream*& Stream) {
    BackupFile1FileRestored(S, F, Stream);
  };
  INetDetector1->OnChanged = [this](TObject* S) { INetDetector1Changed(S); };
}
