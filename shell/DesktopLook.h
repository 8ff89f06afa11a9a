#pragma once

// What the program looks like on any desktop, set once at start (and by the window tests):
// one application font whatever the desktop's theme, the twip scale fitted to it, and Qt's
// own texts (standard buttons, file dialogs, the web engine's pages) in Turkish.

class QFont;

// DejaVu Sans 9 pt (the Debian package fonts-dejavu-core).
QFont ProgramFont();

// Makes ProgramFont() the application font and fits the twip scale to it.
void UseProgramFont();

// Loads Qt's Turkish translations (qtbase_tr from Qt's translations folder) and makes
// Turkish (Turkey) the default locale for Qt's own texts. The program's values keep their
// fixed formats (core/ValueText.h, core/DateText.h); they never read the default locale.
// Returns whether the translations were found.
bool UseTurkishTexts();
