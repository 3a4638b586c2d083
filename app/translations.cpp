#include "app/translations.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

namespace {

const QString kCatalogueFolder = QStringLiteral(":/translations");
const QString kCatalogueName = QStringLiteral("telvane");

// Installed translators, owned here for the whole process.
std::unique_ptr<QTranslator>& installed(int slot) {
  static std::unique_ptr<QTranslator> translators[2];
  return translators[slot];
}

void install(int slot, const QLocale& locale) {
  std::unique_ptr<QTranslator>& translator = installed(slot);
  if (translator) QCoreApplication::removeTranslator(translator.get());
  translator = std::make_unique<QTranslator>();
  if (!translator->load(locale, kCatalogueName, QStringLiteral("_"), kCatalogueFolder)) {
    translator.reset();
    return;
  }
  QCoreApplication::installTranslator(translator.get());
}

}  // namespace

void installTranslations(const QLocale& locale) {
  // Translators installed later are asked first, so the locale's own wins.
  install(0, QLocale(QLocale::English));
  if (locale.language() != QLocale::English && locale.language() != QLocale::C)
    install(1, locale);
  else if (installed(1)) {
    QCoreApplication::removeTranslator(installed(1).get());
    installed(1).reset();
  }
}
