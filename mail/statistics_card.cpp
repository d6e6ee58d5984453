#include "mail/statistics_card.h"

std::string StatisticsCardBody(const TStatisticsCard& Card, const std::string& Version,
                               const std::string& PrivacyText) {
  auto line = [](const char* Tag, const std::string& Value) {
    return std::string("<") + Tag + ">" + Value + "</" + Tag + ">\r\n";
  };
  return line("Cognome", Card.Cognome) + line("Nome", Card.Nome) + line("Indirizzo", Card.Indirizzo) +
         line("Citta", Card.Citta) + line("Prov", Card.Prov) + line("Eta", Card.Eta) +
         line("Cellulare", Card.Cellulare) + line("Maschio", Card.Maschio ? "TRUE" : "FALSE") +
         line("VERSIONE", Version) + "Accetto quanto segue:\r\n" + PrivacyText;
}
