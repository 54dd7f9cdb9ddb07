#include "activities/word_list.h"

#include <array>

#include "shell/paths.h"

namespace wordmeadow {
namespace {

// One concrete thing a letter, named at once from its picture and beginning with the letter's
// most common sound: short vowels where a picture exists, hard c and g, no digraph or blend. I
// has no short-vowel word a five-year-old names from a picture, so it takes its long sound.
// Q and X are left out: no word a child can picture begins with their sound on its own (qu- is
// /kw/, and x begins words with /z/ or the letter's name).
constexpr std::array kWords = {
    Word{"apple", "word_apple", "apple.wav"},
    Word{"banana", "word_banana", "banana.wav"},
    Word{"cat", "word_cat", "cat.wav"},
    Word{"dog", "word_dog", "dog.wav"},
    Word{"egg", "word_egg", "egg.wav"},
    Word{"fish", "word_fish", "fish.wav"},
    Word{"goat", "word_goat", "goat.wav"},
    Word{"house", "word_house", "house.wav"},
    Word{"ice cream", "word_ice_cream", "ice_cream.wav"},
    Word{"juice", "word_juice", "juice.wav"},
    Word{"key", "word_key", "key.wav"},
    Word{"lion", "word_lion", "lion.wav"},
    Word{"monkey", "word_monkey", "monkey.wav"},
    Word{"nose", "word_nose", "nose.wav"},
    Word{"octopus", "word_octopus", "octopus.wav"},
    Word{"pig", "word_pig", "pig.wav"},
    Word{"rabbit", "word_rabbit", "rabbit.wav"},
    Word{"sun", "word_sun", "sun.wav"},
    Word{"turtle", "word_turtle", "turtle.wav"},
    Word{"umbrella", "word_umbrella", "umbrella.wav"},
    Word{"violin", "word_violin", "violin.wav"},
    Word{"watermelon", "word_watermelon", "watermelon.wav"},
    Word{"yo-yo", "word_yoyo", "yoyo.wav"},
    Word{"zebra", "word_zebra", "zebra.wav"},
};

}  // namespace

char Word::letter() const {
  const char first = word.front();
  return first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
}

std::string Word::recordingName() const {
  std::string name(kWordsFolder);
  name += kPathSeparator;
  name += recording;
  return name;
}

std::span<const Word> wordList() {
  return kWords;
}

}  // namespace wordmeadow
