#pragma once

// The settings loaders of both programs: the account of tbl_ayarlar and the ERP parameters of
// tbl_param into the program-wide values, each stage with the text its box shows.

#include <QString>

// gMdacFound and gMdacVersion: whether Qt's SQLite driver is there, and its SQLite version.
void GetMdacVersion();
// The data access hint shown when the version test fails and the database cannot be opened.
QString DataAccessHint(const QString &version);

// The steps that both settings loaders share: the data access probe, the account row of
// tbl_ayarlar and the four ERP parameters. Each stage sets gErrorText before it runs; the
// ERP stage takes the caller's text. Throws OrvekError at the first failing step. False when
// tbl_ayarlar has no row: then the account and the ERP parameters are not read.
bool ReadSettingsStages(const QString &erpStageText);

// The main program's loader: a failing stage shows its text (critical, title "Brenvik");
// gErpConfigured tells whether the ERP parameters were read.
void LoadSettings();
