#pragma once

#include <QString>

class QTranslator;
class QWidget;

// The interface language. Every text in the code and the forms is Chinese;
// the English interface is the translation file beside the executable.
namespace Language {

inline constexpr const char* kEnglishFile = "MarevoxEn.qm";
inline constexpr const char* kLoadError = "MarevoxEn.qm LoadError!";

// Loads the English translation from folder and installs it in the
// application. False when the file is missing or unreadable; nothing is
// installed then.
bool InstallEnglish(QTranslator& translator, const QString& folder);

// At start, before menus, toolbar and dialogs are made: when language is
// not 0, installs the English translation from folder (the executable's
// folder) and, when that fails, shows "MarevoxEn.qm LoadError!" (parent may
// be null) and the interface stays Chinese. With the Chinese interface Qt's
// own texts (standard buttons, file dialogs) are Chinese too. Returns true
// when the interface is English.
bool ApplyAtStart(int language, const QString& folder, QTranslator& english, QTranslator& qtChinese,
                  QWidget* parent);

}  // namespace Language
