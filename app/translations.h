// The interface in the user's language: Qt translations of the "ui" context,
// compiled into the program.
#pragma once

#include <QLocale>

// Installs the translations for `locale` (by default the user's): the English
// catalogue, which only supplies plural forms, and over it the locale's own
// catalogue where one exists. Safe to call again: earlier ones are replaced.
void installTranslations(const QLocale& locale = QLocale());
