#include "app/MatrixReportDialog.h"

#include "output/MatrixReport.h"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// As the linear report shows: about as tall as a laptop screen.
constexpr double kScale = 0.38;
} // namespace

MatrixReportDialog::MatrixReportDialog(const QImage& picture, const Grade2D::Symbol& symbol,
                                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Scan check"));
    QImage image((ScanReport::pageSize() * kScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kScale, kScale);
    MatrixReport::paintReport(painter, picture, symbol, QStringLiteral("the output picture"));
    painter.end();
    auto* page = new QLabel(this);
    page->setPixmap(QPixmap::fromImage(image));
    page->resize(image.size());
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    resize(image.width() + 40, std::min(image.height() + 40, 900));
}
