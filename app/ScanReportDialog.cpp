#include "app/ScanReportDialog.h"

#include "output/ScanReport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// A page about as tall as a laptop screen shows it: 0.38 pixels per tenth of a millimetre.
constexpr double kScale = 0.38;
} // namespace

ScanReportDialog::ScanReportDialog(const QImage& picture, ScanGrade::Symbol symbol, QWidget* parent)
    : QDialog(parent), picture_(picture), symbol_(std::move(symbol)) {
    setWindowTitle(QStringLiteral("Scan check"));
    line = new QSpinBox(this);
    line->setRange(1, std::max(1, int(symbol_.lines.size())));
    line->setPrefix(QStringLiteral("line "));
    page = new QLabel(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Profile of"), this));
    choice->addWidget(line);
    choice->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(scroll);
    const QSize size = (ScanReport::pageSize() * kScale).toSize();
    resize(size.width() + 40, std::min(size.height() + 80, 900));
    const auto worst = &symbol_.worstLine() - symbol_.lines.data();
    line->setValue(int(worst) + 1);
    connect(line, &QSpinBox::valueChanged, this, &ScanReportDialog::showLine);
    showLine(line->value());
}

void ScanReportDialog::showLine(int number) {
    QImage image((ScanReport::pageSize() * kScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kScale, kScale);
    ScanReport::paintReport(painter, picture_, symbol_, QStringLiteral("the output picture"),
                            std::size_t(number - 1));
    painter.end();
    page->setPixmap(QPixmap::fromImage(image));
    page->resize(image.size());
}
