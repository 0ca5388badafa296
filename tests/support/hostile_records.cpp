// The hostile records: kings shuffling 5九-5八 and 5一-5二.
#include "support/hostile_records.h"

#include <cstdio>

namespace {

// The KIF move texts of one period, and the KI2 phrases.
constexpr const char* kKifPeriod[4] = {"５八玉(59)", "５二玉(51)", "５九玉(58)", "５一玉(52)"};
constexpr const char* kKi2Period[4] = {"▲５八玉", "△５二玉", "▲５九玉", "△５一玉"};

}  // namespace

std::string HostileGotoKif(int moves) {
  std::string text = "手合割：平手\n手数----指手---------消費時間--\n";
  char line[64];
  for (int ply = 1; ply <= moves; ++ply) {
    std::snprintf(line, sizeof line, "%4d %s\n", ply, kKifPeriod[(ply - 1) % 4]);
    text += line;
    if (ply == 4) text += "#% label kyoku1\n";
    if (ply > 4) text += "#% goto kyoku1\n";
  }
  return text;
}

std::string HostileVariationKi2(int moves) {
  std::string text = "手合割：平手\n先手：\n後手：\n\n";
  for (int ply = 1; ply <= moves; ++ply) {
    text += kKi2Period[(ply - 1) % 4];
    text += ply % 6 == 0 ? "\n" : " ";
  }
  text += "\n";
  // From the end back: each takes back to a position with kings on 5九 and
  // 5一 and reaches the line's position two moves later another way.
  for (int ply = moves - 3; ply >= 1; ply -= 4) {
    text += "\n変化：" + std::to_string(ply) + "手\n▲４八玉 △５二玉 ▲５九玉\n";
  }
  return text;
}
