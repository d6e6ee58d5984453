// The wizard's content texts: the maker's notice, the three text boxes, and
// the names of the product's installed files.
#pragma once

inline constexpr const char* kMakerNotice =
    "© 2005 BROVIK - Tutti i diritti riservati.\r\nVietata la riproduzione non autorizzata.";

inline constexpr const char* kProductFiles[] = {
    "velto.exe", "velto.hlp", "velto.dat", "motori.dat", "search.ico", "velto.ini", "motori.ini",
};

inline constexpr const char* kPrivacyText =
    "Informativa ai sensi della legge sulla tutela dei dati personali\r\n"
    "\r\n"
    "I dati della scheda sono raccolti da BROVIK al solo scopo di informare "
    "l'utente sulle nuove versioni di Velto e sugli altri programmi BROVIK, e "
    "per statistiche anonime sull'uso del programma.\r\n"
    "\r\n"
    "I dati sono trattati con strumenti informatici, non sono ceduti a terzi e "
    "possono essere consultati, corretti o cancellati in ogni momento scrivendo "
    "a BROVIK.\r\n"
    "\r\n"
    "Il conferimento dei dati è facoltativo: scegliendo \"non accetto\" la "
    "scheda non viene inviata e l'installazione prosegue normalmente.\r\n";

inline constexpr const char* kLicenceText =
    "CONTRATTO DI LICENZA D'USO DI VELTO\r\n"
    "\r\n"
    "1. Oggetto. BROVIK concede all'utente una licenza d'uso gratuita, non "
    "esclusiva e non trasferibile del programma Velto, per uso personale.\r\n"
    "\r\n"
    "2. Limitazioni. È vietato modificare, decompilare o distribuire il "
    "programma a pagamento, in tutto o in parte, senza il consenso scritto di "
    "BROVIK.\r\n"
    "\r\n"
    "3. Garanzia. Il programma è fornito così com'è, senza garanzie di alcun "
    "tipo. BROVIK non risponde dei danni derivanti dall'uso o dall'impossibilità "
    "di usare il programma.\r\n"
    "\r\n"
    "4. Risultati delle ricerche. I risultati mostrati da Velto provengono da "
    "motori di ricerca di terzi; BROVIK non ne controlla il contenuto.\r\n"
    "\r\n"
    "5. Durata. La licenza vale fino alla disinstallazione del programma.\r\n"
    "\r\n"
    "6. Legge applicabile. Il presente contratto è regolato dalla legge "
    "italiana.\r\n";

inline constexpr const char* kInformationText =
    "Velto 2005\r\n"
    "\r\n"
    "Velto interroga in una volta sola i principali motori di ricerca del web e "
    "raccoglie i risultati in un unico elenco, senza doppioni.\r\n"
    "\r\n"
    "- Un pulsante nella barra del browser e la voce \"Cerca con velto\" nel "
    "menu del tasto destro.\r\n"
    "- La ricerca dal menu Trova di Windows.\r\n"
    "- Un'icona sul desktop e nel menu Programmi.\r\n"
    "\r\n"
    "Per disinstallare Velto eseguire di nuovo questo programma e premere "
    "\"Disinstalla Velto2005\".\r\n";
