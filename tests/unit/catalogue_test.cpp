#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "i18n/catalogue.h"

using namespace voltaris;

namespace {

std::string Bytes(const char* text) { return text; }

}  // namespace

TEST(Catalogue, OneEntryPerTextInOrder) {
  ASSERT_EQ(static_cast<std::size_t>(CatalogueEnd() - CatalogueBegin()), kCatalogueSize);
  std::size_t index = 0;
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry, ++index) {
    EXPECT_EQ(static_cast<std::size_t>(entry->text), index);
    EXPECT_EQ(English(entry->text), entry->english);
    EXPECT_EQ(French(entry->text), entry->french);
  }
  EXPECT_STREQ(English(Text::Count), "");
  EXPECT_STREQ(French(Text::Count), "");
}

TEST(Catalogue, EveryEntryHasBothTexts) {
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    const int index = static_cast<int>(entry->text);
    ASSERT_NE(entry->english, nullptr) << index;
    ASSERT_NE(entry->french, nullptr) << index;
    EXPECT_GT(std::strlen(entry->english), 0u) << index;
    EXPECT_GT(std::strlen(entry->french), 0u) << index;
  }
}

TEST(Catalogue, EnglishIsPlainAsciiAndFrenchSingleByteWindows1252) {
  // The only letters beyond ASCII the French texts use, in Windows-1252.
  const std::string accented = "\xe0\xe7\xe8\xe9\xea\xf4";
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    const std::string english = entry->english, french = entry->french;
    for (const unsigned char c : english) EXPECT_LT(c, 0x80) << english;
    for (std::size_t i = 0; i < french.size(); ++i) {
      const auto c = static_cast<unsigned char>(french[i]);
      if (c < 0x80) continue;
      EXPECT_NE(accented.find(static_cast<char>(c)), std::string::npos) << french << " byte " << i;
      // No UTF-8 two-byte sequence (0xC3 then a continuation byte).
      if (c == 0xC3 && i + 1 < french.size()) {
        const auto next = static_cast<unsigned char>(french[i + 1]);
        EXPECT_FALSE(next >= 0x80 && next <= 0xBF) << french << " is UTF-8 at byte " << i;
      }
    }
  }
}

TEST(Catalogue, ExactPairsWithTheirBlanks) {
  const struct {
    Text text;
    const char* english;
    const char* french;
  } pairs[] = {
      {Text::ProgramStart, "  Program Start", "  D\xe9marrage du programme"},
      {Text::ProgramEnd, "  Program End", "  Fin du programme"},
      {Text::ComConnected, "  COM UPS is Connected!", "   Port COM connect\xe9!"},  // three blanks in French
      {Text::UsbConnected, "  USB UPS is Connected!", "  Port USB connect\xe9!"},
      {Text::UsbUpsNotSupported, "  USB UPS Not Supported: ", "  UPS USB non pris en charge : "},
      {Text::SwitchOffMayHaveBeenSentEvent, "  UPS Switch-Off May Have Been Sent",
       "  Commande d'arr\xea" "t de l'UPS peut-\xea" "tre envoy\xe9" "e"},
      {Text::AcFailEvent, "  AC Fail!", "   D\xe9" "faut d'alimentation!!"},
      {Text::AcRestoreEvent, "  AC Restore!", "  Alimentation r\xe9tablie!"},
      {Text::BatteryLowEvent, "  BatteryLow Low!", "  Batterie Faible!"},
      {Text::PleaseConnectUps, "Please Connected UPS!", "UPS d\xe9" "connect\xe9!"},
      {Text::CannotLoadLibrary, "Cannot Load Library", "Non charge  D\xe9p\xf4t"},
      {Text::SelfTestCaption, "UPS Self Test ", "Autotest de "},
      {Text::SelfTestTillLow, "UPS Self Test Still Battrey Low!", "Autotest en mode batterie faible!"},
      {Text::ShutdownAfter, "System ShutDown After ", "Fermeture du syst\xe8me dans: "},
      {Text::ScheduleShutdownAfter, "System ShutDown After ", "Fermeture du syst\xe8me dans "},
      {Text::Seconds, " Seconds", " secondes"},
      {Text::BatteryLowSeconds, " Seconds", " Secondes"},
      {Text::ScheduleWarningEvent, "  Schedule Setting Time Up Warning!",
       "  Setup de la dur\xe9" "e limite de l'alerte"},
      {Text::UpsRestart, "UPS  Restart", "Red\xe9marrage de l'UPS"},
      {Text::WednesdaySettingError, "Wednesday setting error!", "Erreur de configuration le mercredi!"},
      {Text::Event5SettingError, "Event5 setting error!", "Erreur de configuration le Event5!"},
      {Text::Event6SettingError, "Event6 setting error!", "Erreur de configuration le Event6!!"},
      {Text::EventData3, "EventData3", "Donn\xe9" "es d'\xe9v\xe9nements 3"},
      {Text::EndDateBeforeStartDate, "End Date could not below Start Date,Please choice!",
       "La date de fin ne peut correspondre \xe0 la date de d\xe9part!"},
      {Text::HeadingData, "Data", "Date"},
      {Text::Status, "Status", "Statuts"},
      {Text::ParityOdd, "ODD", "OCCASIONNEL"},
      {Text::DefaultNormalMessage, "UPS is  Normal !", "Fonctionnement UPS normal"},
      {Text::LabelCancelShutdown, "Cancel ShutDown", "Annuler la fermeture:"},
      {Text::MenuWeeklySchedule, "&Weekly Schedule", "&Progammation hebdomadaire"},
      {Text::MenuSelfTestTillLow, "UPS Selftest Till &Battery Low ", "Autotest en mode &batterie faible"},
      {Text::MenuControlCenter, "&Control Center", "&Centre de contr\xf4le"},
      {Text::MenuReturnMainWindow, "&Return Main Windows", "&Retour \xe0 la fen\xea" "tre principale"},
      {Text::CaptionSettings, "UPS  Setting Configure", "UPS configur\xe9"},
      {Text::CaptionClosedApplications, "CloseApplication", "Application ferm\xe9" "e"},
  };
  for (const auto& pair : pairs) {
    EXPECT_EQ(Bytes(English(pair.text)), pair.english);
    EXPECT_EQ(Bytes(French(pair.text)), pair.french) << pair.english;
  }
}

TEST(Catalogue, PrintHeadingKeepsItsColumns) {
  EXPECT_EQ(Bytes(English(Text::HistoryPrintHeading)),
            "date                time          input Voltage    Output Voltage    Load           Battery Level    "
            "Temperature    Frequency            Status");
  EXPECT_EQ(Bytes(French(Text::HistoryPrintHeading)),
            "date                temps         Tension d'entr\xe9" "e    Tension de sortie    Charge           "
            "Niveau de batterie    Temp\xe9rature    Fr\xe9quence            Statuts");
}

TEST(Catalogue, WeekdaysInOrderAndTheirErrorsInLowerCase) {
  const char* english[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
  const char* french[] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};
  for (int day = 0; day < 7; ++day) {
    const auto name = static_cast<Text>(static_cast<int>(Text::Monday) + day);
    const auto error = static_cast<Text>(static_cast<int>(Text::MondaySettingError) + day);
    EXPECT_EQ(Bytes(English(name)), english[day]);
    EXPECT_EQ(Bytes(French(name)), french[day]);
    EXPECT_EQ(Bytes(English(error)), std::string(english[day]) + " setting error!");
    std::string lower = french[day];
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    EXPECT_EQ(Bytes(French(error)), "Erreur de configuration le " + lower + "!");
  }
}

TEST(Catalogue, WeeklyScheduleShutdownOnTwoLines) {
  EXPECT_EQ(Bytes(French(Text::OsAndUpsShutdown)), "Fermeture du syst\xe8me d'exploitation et de l'UPS");
  EXPECT_EQ(Bytes(French(Text::WeeklyOsAndUpsShutdown)), "Fermeture du syst\xe8me\nd'exploitation et de l'UPS");
  EXPECT_EQ(Bytes(English(Text::WeeklyOsAndUpsShutdown)), "OS and UPS ShutDown");
}

TEST(Catalogue, OneEnglishTextOneFrenchTextSaveTheKnownThree) {
  // The catalogue gives these English texts two French texts, one per place
  // they are shown; each place has its own entry.
  const std::set<std::string> twoFrench = {"System ShutDown After ", " Seconds", "OS and UPS ShutDown"};
  std::map<std::string, std::set<std::string>> frenchOf;
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    frenchOf[entry->english].insert(entry->french);
  }
  for (const auto& [english, french] : frenchOf) {
    EXPECT_EQ(french.size(), twoFrench.count(english) ? 2u : 1u) << "'" << english << "'";
  }
}

TEST(Catalogue, EachBuildShowsItsOwnTexts) {
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    EXPECT_EQ(Tr(entry->text), entry->english);
  }
  SetLanguage(Language::French);
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    EXPECT_EQ(Tr(entry->text), entry->french);
  }
  SetLanguage(Language::English);
}
