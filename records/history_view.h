// What the "History Data" window shows and prints: the printed page's texts
// and positions, in the printer's device units.
#pragma once

namespace voltaris {

constexpr int kHistoryColumns = 9;  // the table's, in its order

// "Histroy" is spelled so on every printout the program has made; people
// compare them.
constexpr char kHistoryPrintTitle[] = "Histroy Data Record";
constexpr int kHistoryPrintTitleX = 900, kHistoryPrintTitleY = 80;
// The header line under it is the catalogue's, in the build's words.
constexpr int kHistoryPrintHeaderX = 120, kHistoryPrintHeaderY = 140;
constexpr int kHistoryPrintColumnX[kHistoryColumns] = {120, 350, 570, 800, 1050, 1260, 1490, 1720, 1950};
constexpr int kHistoryPrintFontHeight = 40;

}  // namespace voltaris
