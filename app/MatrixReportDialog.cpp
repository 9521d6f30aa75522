#include "app/MatrixReportDialog.h"

#include "output/MatrixReport.h"

namespace {
const QString kPictureName = QStringLiteral("the output picture");
} // namespace

MatrixReportDialog::MatrixReportDialog(const QImage& picture, Grade2D::Symbol symbol,
                                       ReportDialogOptions options, QWidget* parent)
    : ReportDialog(options, parent), picture_(picture), symbol_(std::move(symbol)) {
    showPage();
}

void MatrixReportDialog::paintPage(QPainter& painter) const {
    MatrixReport::paintReport(painter, picture_, symbol_, kPictureName);
}

QByteArray MatrixReportDialog::pageBytes(ReportPage::Format format) const {
    return MatrixReport::reportBytes(picture_, symbol_, kPictureName, format);
}
