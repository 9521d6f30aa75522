#include "app/ScanReportDialog.h"

#include "output/ScanReport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace {
const QString kPictureName = QStringLiteral("the output picture");
} // namespace

ScanReportDialog::ScanReportDialog(const QImage& picture, ScanGrade::Symbol symbol,
                                   ReportDialogOptions options, QWidget* parent)
    : ReportDialog(options, parent), picture_(picture), symbol_(std::move(symbol)) {
    line = new QSpinBox(this);
    line->setRange(1, std::max(1, int(symbol_.lines.size())));
    line->setPrefix(QStringLiteral("line "));
    choices->addWidget(new QLabel(QStringLiteral("Profile of"), this));
    choices->addWidget(line);
    choices->addStretch();
    const auto worst = &symbol_.worstLine() - symbol_.lines.data();
    line->setValue(int(worst) + 1);
    connect(line, &QSpinBox::valueChanged, this, &ScanReportDialog::showPage);
    showPage();
}

void ScanReportDialog::paintPage(QPainter& painter) const {
    ScanReport::paintReport(painter, picture_, symbol_, kPictureName,
                            std::size_t(line->value() - 1));
}

QByteArray ScanReportDialog::pageBytes(ReportPage::Format format) const {
    return ScanReport::reportBytes(picture_, symbol_, kPictureName, format,
                                   std::size_t(line->value() - 1));
}
