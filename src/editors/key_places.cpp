#include "editors/key_places.h"

#include <algorithm>
#include <cctype>

namespace kelmar {
namespace {

constexpr KeyPlace kPlaces[] = {
    {"Backquote", 41, '`'},    {"Digit1", 2, '1'},          {"Digit2", 3, '2'},     {"Digit3", 4, '3'},
    {"Digit4", 5, '4'},        {"Digit5", 6, '5'},          {"Digit6", 7, '6'},     {"Digit7", 8, '7'},
    {"Digit8", 9, '8'},        {"Digit9", 10, '9'},         {"Digit0", 11, '0'},    {"Minus", 12, '-'},
    {"Equal", 13, '='},        {"KeyQ", 16, 'q'},           {"KeyW", 17, 'w'},      {"KeyE", 18, 'e'},
    {"KeyR", 19, 'r'},         {"KeyT", 20, 't'},           {"KeyY", 21, 'y'},      {"KeyU", 22, 'u'},
    {"KeyI", 23, 'i'},         {"KeyO", 24, 'o'},           {"KeyP", 25, 'p'},      {"BracketLeft", 26, '['},
    {"BracketRight", 27, ']'}, {"KeyA", 30, 'a'},           {"KeyS", 31, 's'},      {"KeyD", 32, 'd'},
    {"KeyF", 33, 'f'},         {"KeyG", 34, 'g'},           {"KeyH", 35, 'h'},      {"KeyJ", 36, 'j'},
    {"KeyK", 37, 'k'},         {"KeyL", 38, 'l'},           {"Semicolon", 39, ';'}, {"Quote", 40, '\''},
    {"Backslash", 43, '\\'},   {"IntlBackslash", 86, 0x3C}, {"KeyZ", 44, 'z'},      {"KeyX", 45, 'x'},
    {"KeyC", 46, 'c'},         {"KeyV", 47, 'v'},           {"KeyB", 48, 'b'},      {"KeyN", 49, 'n'},
    {"KeyM", 50, 'm'},         {"Comma", 51, ','},          {"Period", 52, '.'},    {"Slash", 53, '/'},
    {"ControlLeft", 29, 0},    {"ControlRight", 97, 0},     {"AltLeft", 56, 0},     {"AltRight", 100, 0},
};

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

std::span<const KeyPlace> KeyPlaces() { return kPlaces; }

const KeyPlace* PlaceNamed(std::string_view name) {
  for (const KeyPlace& place : kPlaces) {
    if (SameName(place.name, name)) return &place;
  }
  return nullptr;
}

const KeyPlace* PlaceOfEvdev(int evdev) {
  for (const KeyPlace& place : kPlaces) {
    if (place.evdev == evdev) return &place;
  }
  return nullptr;
}

const KeyPlace* PlaceOfUsChar(char32_t ch) {
  if (ch == 0) return nullptr;
  const char32_t lower = (ch >= 'A' && ch <= 'Z') ? ch - 'A' + 'a' : ch;
  for (const KeyPlace& place : kPlaces) {
    if (place.usChar == lower) return &place;
  }
  return nullptr;
}

}  // namespace kelmar
