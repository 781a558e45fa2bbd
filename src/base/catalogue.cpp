// The catalogue's texts by language, and the message settings of the process.
#include "base/catalogue.h"

namespace {

constexpr int kCatalogueSize = static_cast<int>(Msg::Count);

struct EnglishEntry {
  Msg id;
  const char *text;
};

constexpr EnglishEntry kEnglish[] = {
#include "base/messages_en.inc"
};

constexpr bool InMsgOrder(const EnglishEntry *rows, int count) {
  for (int i = 0; i < count; ++i) {
    if (static_cast<int>(rows[i].id) != i) {
      return false;
    }
  }
  return true;
}
static_assert(static_cast<int>(sizeof kEnglish / sizeof kEnglish[0]) == kCatalogueSize &&
                  InMsgOrder(kEnglish, kCatalogueSize),
              "the English texts and Msg differ: run tools/gen_messages.py");

MessageSettings settings;

}  // namespace

const char *MessageTextIn(Msg id, MessageLanguage language) {
  const int index = static_cast<int>(id);
  switch (language) {
    case MessageLanguage::Utf8:
      return kMessageCatalogue[index].utf8;
    case MessageLanguage::English:
      return kEnglish[index].text;
    case MessageLanguage::Cp932:
      break;
  }
  return kMessageCatalogue[index].sjis;
}

const char *MessageText(Msg id) { return MessageTextIn(id, settings.language); }

const MessageSettings &CurrentMessageSettings() { return settings; }

void SelectMessageLanguage(MessageLanguage language) { settings.language = language; }

void SelectErrorStyle(ErrorStyle style) { settings.style = style; }

MessageSettingsScope::MessageSettingsScope() : saved_(settings) { settings = MessageSettings{}; }

MessageSettingsScope::~MessageSettingsScope() { settings = saved_; }
