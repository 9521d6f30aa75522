#include "labels/PrinterCorrections.h"

#include <QSettings>

#include <cmath>

namespace Labels {

namespace {

QString keyOf(const QString& printer, const QString& key) {
    return QStringLiteral("printer-") + QString::fromLatin1(printer.toUtf8().toHex()) + u'/' + key;
}

QSettings rememberedSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Barcode Desk"),
                     QStringLiteral("label-printers"));
}

} // namespace

std::optional<QPointF> numberPair(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) return std::nullopt;
    bool okX = false, okY = false;
    const QPointF pair(parts[0].trimmed().toDouble(&okX), parts[1].trimmed().toDouble(&okY));
    if (!okX || !okY || !std::isfinite(pair.x()) || !std::isfinite(pair.y())) return std::nullopt;
    return pair;
}

std::optional<QString> RememberedCalibrations::value(const QString& printer,
                                                     const QString& key) const {
    const QVariant stored = rememberedSettings().value(keyOf(printer, key));
    if (!stored.isValid()) return std::nullopt;
    return stored.toString();
}

void RememberedCalibrations::setValue(const QString& printer, const QString& key,
                                      const QString& text) {
    rememberedSettings().setValue(keyOf(printer, key), text);
}

Calibration RememberedCalibrations::of(const QString& printer) const {
    const QPointF offset = numberPair(value(printer, QStringLiteral("offset")).value_or(QString()))
                               .value_or(QPointF());
    const QPointF scale = numberPair(value(printer, QStringLiteral("scale")).value_or(QString()))
                              .value_or(QPointF(1, 1));
    return {offset.x(), offset.y(), scale.x(), scale.y()};
}

void RememberedCalibrations::remember(const QString& printer, const Calibration& calibration) {
    setValue(printer, QStringLiteral("offset"),
             QStringLiteral("%1,%2").arg(calibration.offsetXMm).arg(calibration.offsetYMm));
    setValue(printer, QStringLiteral("scale"),
             QStringLiteral("%1,%2").arg(calibration.scaleX).arg(calibration.scaleY));
}

} // namespace Labels
