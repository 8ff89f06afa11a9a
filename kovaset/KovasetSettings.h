#pragma once

// The automatic program's settings loader: the same steps and readers as LoadSettings
// (core/SettingsLoader.h), its own stage text for the ERP parameters. A failure shows the
// stage text and "Kovaset uygulaması kapatılıyor..." (both critical, title "Kovaset"), ends
// the program through Lifecycle and returns false. Sets no flag of the main program's own.
bool KovasetLoadSettings();
