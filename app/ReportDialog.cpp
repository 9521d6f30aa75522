#include "app/ReportDialog.h"

#include "output/WholeFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// The page about as wide as a laptop screen shows it well: 0.38 pixels per tenth of a
// millimetre.
constexpr double kScale = 0.38;
// What a window's frame and the desktop's panels may take of the screen.
constexpr QSize kScreenMargin(40, 80);
const QString kTitle = QStringLiteral("Scan check");
} // namespace

ReportDialog::ReportDialog(ReportDialogOptions options, QWidget* parent)
    : QDialog(parent), options_(options) {
    setWindowTitle(kTitle);
    page = new QLabel;
    scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setAlignment(Qt::AlignHCenter);
    saveButton = new QPushButton(QStringLiteral("Save…"));
    saveButton->setToolTip(QStringLiteral("Save the report as PDF or SVG"));
    printButton = new QPushButton(QStringLiteral("Print…"));
    closeButton = new QPushButton(QStringLiteral("Close"));
    choices = new QHBoxLayout;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(printButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &ReportDialog::save);
    connect(printButton, &QPushButton::clicked, this, &ReportDialog::print);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ReportDialog::showPage() {
    QImage image((ReportPage::kPage * kScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kScale, kScale);
    paintPage(painter);
    painter.end();
    page->setPixmap(QPixmap::fromImage(image));
    page->resize(image.size());
    if (sized_) return;
    sized_ = true;
    // As much of the page as the screen has room for; the rest scrolls.
    const QScreen* screen =
        parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QSize room =
        screen ? screen->availableGeometry().size() - kScreenMargin : QSize(800, 600);
    const int frame = scroll->frameWidth() * 2 + 40;
    const QSize wanted(image.width() + frame, image.height() + sizeHint().height());
    resize(wanted.boundedTo(room));
}

void ReportDialog::save() {
    const QString path = options_.saveDialog->ask(
        this,
        {{QStringLiteral("PDF"), QStringLiteral("*.pdf")},
         {QStringLiteral("SVG"), QStringLiteral("*.svg")}},
        QStringLiteral("Save the report"), QStringLiteral("scan-check.pdf"), QDir::homePath());
    if (path.isEmpty()) return;
    const QByteArray bytes =
        pageBytes(ReportPage::formatOf(path).value_or(ReportPage::Format::Pdf));
    const auto failure = bytes.isEmpty() ? std::optional(QStringLiteral("cannot draw it"))
                                         : WholeFile::write(path, bytes);
    if (failure)
        options_.messages->show(
            QStringLiteral("The report could not be saved as %1: %2").arg(path, *failure), kTitle,
            MessageIcon::Exclamation);
}

void ReportDialog::print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kTitle);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        options_.messages->show(QStringLiteral("The printer could not be opened."), kTitle,
                                MessageIcon::Exclamation);
        return;
    }
    const QRectF area = printer.pageRect(QPrinter::DevicePixel);
    const double scale = std::min(area.width() / ReportPage::kPage.width(),
                                  area.height() / ReportPage::kPage.height());
    painter.scale(scale, scale);
    paintPage(painter);
    painter.end();
}
