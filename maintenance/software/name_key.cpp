#include "maintenance/software/name_key.h"

#include <algorithm>
#include <array>

#include "maintenance/software/software_limits.h"

namespace nubo {
namespace {

constexpr std::array<std::u16string_view, 40> kGenericWords = {
    u"app",       u"application", u"client",    u"helper",       u"cache",      u"caches",   u"data",
    u"launcher",  u"logs",        u"packages",  u"program",      u"programs",   u"server",   u"setup",
    u"temp",      u"software",    u"uninstall", u"unins",        u"update",     u"updater",  u"user",
    u"x64",       u"x86",         u"co",        u"company",      u"corporation", u"group",   u"inc",
    u"limited",   u"llc",         u"ltd",       u"technologies", u"technology", u"程序",     u"软件",
    u"卸载",      u"更新",        u"公司",      u"科技",         u"有限公司"};

char16_t LowerAsciiLetter(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

}  // namespace

bool IsIdeographUnit(char16_t unit) {
  return (unit >= 0x3400 && unit <= 0x9FFF) || (unit >= 0xF900 && unit <= 0xFAFF);
}

bool IsNameKeyUnit(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
         IsIdeographUnit(unit);
}

std::u16string NormalizeNameKey(std::u16string_view text) {
  std::u16string key;
  for (char16_t unit : text) {
    if (IsNameKeyUnit(unit)) key.push_back(LowerAsciiLetter(unit));
  }
  return key;
}

std::vector<std::u16string> SplitNameTokens(std::u16string_view text) {
  std::vector<std::u16string> tokens;
  std::u16string current;
  for (char16_t unit : text) {
    if (IsNameKeyUnit(unit)) {
      current.push_back(unit);
    } else if (!current.empty()) {
      tokens.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));
  return tokens;
}

bool IsGenericNameKey(std::u16string_view key) {
  return std::find(kGenericWords.begin(), kGenericWords.end(), key) != kGenericWords.end();
}

bool IsAcceptedNameKey(std::u16string_view key) {
  if (key.empty()) return false;
  if (key.size() < kNameKeyMinUnits && std::none_of(key.begin(), key.end(), IsIdeographUnit)) return false;
  return !IsGenericNameKey(key);
}

}  // namespace nubo
