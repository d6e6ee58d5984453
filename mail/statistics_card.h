// The statistics card e-mail: the mailbox it goes to, its subject and its
// body, built from the card page's fields.
#pragma once

#include <string>

// The maker's statistics mailbox, built into the installer.
inline constexpr const char* kStatisticsMailbox = "statistiche@brovik.example";
inline constexpr const char* kStatisticsSubject = "Scheda statistica velto";

struct TStatisticsCard {
  std::string Cognome, Nome, Indirizzo, Citta, Prov, Eta, Cellulare;
  bool Maschio = false;
};

// The body: one tagged line per field, the version, "Accetto quanto
// segue:", each ended by CR LF, then PrivacyText as it stands. Values go in
// exactly as typed: no trimming, no escaping.
std::string StatisticsCardBody(const TStatisticsCard& Card, const std::string& Version, const std::string& PrivacyText);
