#include "activities/match_window.h"

#include <cctype>
#include <string>

namespace wordmeadow {
namespace {

// The four strips of a found pair's frame, over the card's edge.
struct FrameStrip {
  const char* side;
  Rect place;  // from the card's corner
  const char* asset;
};
constexpr FrameStrip kFrame[] = {
    {"Top", {0, 0, 72, 6}, "card_frame_across"},
    {"Bottom", {0, 66, 72, 6}, "card_frame_across"},
    {"Left", {0, 6, 6, 60}, "card_frame_down"},
    {"Right", {66, 6, 6, 60}, "card_frame_down"},
};

std::string frameName(int k, const FrameStrip& strip) {
  return "Frame" + std::to_string(k) + strip.side;
}

std::string faceAsset(const MatchingGame::Card& card) {
  if (card.capital) return std::string("card_upper_") + card.letter;
  return std::string("card_lower_") +
         static_cast<char>(std::tolower(static_cast<unsigned char>(card.letter)));
}

}  // namespace

Rect MatchWindow::cardRect(int k) {
  return {168 + 76 * (k % 4), 56 + 76 * (k / 4), 72, 72};
}

std::string MatchWindow::cardName(int k) {
  return "Card" + std::to_string(k);
}

MatchWindow::MatchWindow(WindowSystem& windows, Platform& platform)
    : ActivityWindow(windows, platform, kId, "Matching Letters", {479, 360}),
      game_(*this, platform) {
  // Front to back: the end-of-round group covers everything when it is shown.
  addCongratulation([this] { game_.deal(); });
  addStartOverButton([this] { game_.deal(); });
  addExitButton();
  for (int k = 0; k < MatchingGame::kCards; ++k) {
    const Rect card = cardRect(k);
    for (const FrameStrip& strip : kFrame) {
      addPicture(frameName(k, strip),
                 {card.left + strip.place.left, card.top + strip.place.top, strip.place.width,
                  strip.place.height},
                 strip.asset);
    }
  }
  for (int k = 0; k < MatchingGame::kCards; ++k) {
    addPicture(cardName(k), cardRect(k), "card_back", [this, k] { game_.turn(k); });
  }
  addTitle("Find The Matching Letters");
  addBackground();
}

void MatchWindow::showCard(int k) {
  const MatchingGame::Card& card = game_.card(k);
  setPicture(cardName(k),
             card.side == MatchingGame::Side::Down ? std::string("card_back") : faceAsset(card));
  for (const FrameStrip& strip : kFrame) {
    if (card.side == MatchingGame::Side::Found) {
      show(frameName(k, strip));
    } else {
      hide(frameName(k, strip));
    }
  }
}

}  // namespace wordmeadow
