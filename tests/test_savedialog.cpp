#include "RecordingSaveDialog.h"
#include "app/SaveDialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>

namespace {

// Answers the dialog and remembers what it was asked.

template <typename T> T* visibleWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(w); found && found->isVisible()) return found;
    return nullptr;
}

// Plays the user in front of modal dialogs: each step waits until it can act, then acts.
// Whatever is still open at the deadline is rejected, so that a broken dialog cannot hang.
class ScriptedUser : public QObject {
  public:
    using Step = std::function<bool()>;

    explicit ScriptedUser(std::deque<Step> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, &ScriptedUser::poll);
        timer_.start(20);
        deadline_.start();
    }
    bool finished() const { return steps_.empty(); }

  private:
    void poll() {
        if (!steps_.empty() && steps_.front()()) steps_.pop_front();
        if (steps_.empty()) timer_.stop();
        if (deadline_.elapsed() < 15000) return;
        timer_.stop();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
    }

    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer deadline_;
};

// Queued, as a click would be: the dialog's answer may open a modal box of its own.
void typeAndSave(QFileDialog* dialog, const QString& fileName) {
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(fileName);
    QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
}

// Waits for a message box, keeps its text and clicks the button.
ScriptedUser::Step answerMessage(QString* text, QMessageBox::StandardButton button) {
    return [=] {
        auto* box = visibleWindow<QMessageBox>();
        if (!box) return false;
        *text = box->text();
        QMetaObject::invokeMethod(box->button(button), &QAbstractButton::click,
                                  Qt::QueuedConnection);
        return true;
    };
}

ScriptedUser::Step saveAs(const QString& fileName) {
    return [=] {
        auto* dialog = visibleWindow<QFileDialog>();
        if (!dialog || visibleWindow<QMessageBox>()) return false;
        typeAndSave(dialog, fileName);
        return true;
    };
}

ScriptedUser::Step cancel() {
    return [] {
        auto* dialog = visibleWindow<QFileDialog>();
        if (!dialog || visibleWindow<QMessageBox>()) return false;
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        return true;
    };
}

const QList<FilterPair> kPngOnly = {{QStringLiteral("*.png"), QStringLiteral("*.png")}};

} // namespace

class TestSaveDialog : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

    QString askQt(std::deque<ScriptedUser::Step> steps, const QList<FilterPair>& filters = kPngOnly,
                  const QString& defaultName = QStringLiteral("Barcode.png")) {
        ScriptedUser user(std::move(steps));
        QtSaveFileDialog dialog;
        const QString answer =
            dialog.ask(nullptr, filters, QStringLiteral("Save Barcode"), defaultName, dir.path());
        if (!user.finished()) qWarning("the dialogs did not go as scripted");
        return answer;
    }

  private slots:
    void missingArgumentsTakeTheirDefaults() {
        RecordingDialog dialog;
        dialog.answer = QStringLiteral("/tmp/chosen.png");
        QWidget owner;
        QString filter = QStringLiteral("*.png");
        const QString answer =
            SaveDialog::askPath(dialog, &owner, filter, std::nullopt, std::nullopt, std::nullopt,
                                QStringLiteral("/opt/program"));
        QCOMPARE(answer, QStringLiteral("/tmp/chosen.png"));
        QCOMPARE(dialog.calls, 1);
        QCOMPARE(dialog.owner, &owner);
        QCOMPARE(dialog.title, QStringLiteral("Save As"));
        QCOMPARE(dialog.defaultFileName, QString());
        QCOMPARE(dialog.initialDirectory, QStringLiteral("/opt/program"));
    }

    void givenArgumentsArePassedAsTheyAre() {
        RecordingDialog dialog; // answers "": cancelled
        QString filter = QStringLiteral("*.gif");
        const QString answer = SaveDialog::askPath(
            dialog, nullptr, filter, QStringLiteral("Export"), QStringLiteral("Barcode.gif"),
            QString(), QStringLiteral("/opt/program"));
        QCOMPARE(answer, QString());
        QCOMPARE(dialog.title, QStringLiteral("Export"));
        QCOMPARE(dialog.defaultFileName, QStringLiteral("Barcode.gif"));
        QCOMPARE(dialog.initialDirectory, QString()); // an empty folder is not the default one
    }

    void filterTextIsRewrittenInPlaceAndReadAsPairs_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("rewritten"); // "|" standing for NUL
        QTest::addColumn<QList<FilterPair>>("pairs");
        QTest::newRow("bare pattern") << "*.png"
                                      << "*.png|" << kPngOnly;
        QTest::newRow("two pairs")
            << "Images|*.png|All|*.*"
            << "Images|*.png|All|*.*|" << QList<FilterPair>{{"Images", "*.png"}, {"All", "*.*"}};
        QTest::newRow("closing bar kept single")
            << "Images|*.png|"
            << "Images|*.png|" << QList<FilterPair>{{"Images", "*.png"}};
        QTest::newRow("several patterns")
            << "Pictures|*.bmp;*.png"
            << "Pictures|*.bmp;*.png|" << QList<FilterPair>{{"Pictures", "*.bmp;*.png"}};
        QTest::newRow("empty pattern")
            << "Images||All|*.*"
            << "Images||All|*.*|" << QList<FilterPair>{{"Images", "Images"}, {"All", "*.*"}};
        QTest::newRow("double bar ends the list")
            << "Images|*.png||All|*.*"
            << "Images|*.png||All|*.*|" << QList<FilterPair>{{"Images", "*.png"}};
        QTest::newRow("empty") << ""
                               << "|" << QList<FilterPair>{};
    }
    void filterTextIsRewrittenInPlaceAndReadAsPairs() {
        QFETCH(QString, filter);
        QFETCH(QString, rewritten);
        QFETCH(QList<FilterPair>, pairs);
        RecordingDialog dialog;
        SaveDialog::askPath(dialog, nullptr, filter, std::nullopt, std::nullopt, std::nullopt, {});
        QCOMPARE(filter, rewritten.replace(u'|', QChar(0)));
        QVERIFY(!filter.contains(u'|'));
        QCOMPARE(dialog.filters, pairs);
    }

    void nameFiltersShowDescriptionAndPatterns_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("nameFilter");
        QTest::newRow("pattern alone") << "*.png"
                                       << "*.png"
                                       << "*.png";
        QTest::newRow("described") << "Images"
                                   << "*.png"
                                   << "Images (*.png)";
        QTest::newRow("semicolons") << "Pictures"
                                    << "*.bmp;*.png"
                                    << "Pictures (*.bmp *.png)";
        QTest::newRow("already bracketed") << "PNG (*.png)"
                                           << "*.png"
                                           << "PNG (*.png)";
    }
    void nameFiltersShowDescriptionAndPatterns() {
        QFETCH(QString, description);
        QFETCH(QString, pattern);
        QFETCH(QString, nameFilter);
        QCOMPARE(SaveDialog::nameFilterOf({description, pattern}), nameFilter);
    }

    void qtDialogShowsWhatItWasGivenAndCancelGivesEmpty() {
        QString title, shownName, folder, suffix;
        QStringList nameFilters;
        bool nonNative = false, saving = false;
        auto look = [&] {
            auto* dialog = visibleWindow<QFileDialog>();
            if (!dialog) return false;
            title = dialog->windowTitle();
            nameFilters = dialog->nameFilters();
            shownName = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            folder = dialog->directory().absolutePath();
            suffix = dialog->defaultSuffix();
            nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
            saving = dialog->acceptMode() == QFileDialog::AcceptSave;
            return true;
        };
        const QString answer = askQt({look, cancel()}, {{"Images", "*.png"}, {"All files", "*.*"}});
        QCOMPARE(answer, QString());
        QCOMPARE(title, QStringLiteral("Save Barcode"));
        QCOMPARE(nameFilters, (QStringList{"Images (*.png)", "All files (*.*)"}));
        QCOMPARE(shownName, QStringLiteral("Barcode.png"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(suffix, QString());
        QVERIFY(nonNative);
        QVERIFY(saving);
    }

    void newFileIsConfirmedAndReturnedUnderItsExactName() {
        QString question;
        const QString answer =
            askQt({saveAs(QStringLiteral("Label")), answerMessage(&question, QMessageBox::Yes)});
        QCOMPARE(answer, path(QStringLiteral("Label"))); // no ".png" added
        QVERIFY(question.contains(QStringLiteral("Label does not exist")));
        QVERIFY(question.contains(QStringLiteral("create")));
        QVERIFY(!QFile::exists(answer)); // the caller writes it
    }

    void decliningToCreateKeepsTheDialogOpen() {
        QString question;
        bool stillOpen = false;
        auto dialogShownAgain = [&] {
            if (visibleWindow<QMessageBox>()) return false;
            stillOpen = visibleWindow<QFileDialog>() != nullptr;
            return true;
        };
        const QString answer =
            askQt({saveAs(QStringLiteral("Other.png")), answerMessage(&question, QMessageBox::No),
                   dialogShownAgain, cancel()});
        QVERIFY(question.contains(QStringLiteral("Other.png does not exist")));
        QVERIFY(stillOpen);
        QCOMPARE(answer, QString());
    }

    void existingFileIsConfirmedForReplacing_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("replace") << int(QMessageBox::Yes) << true;
        QTest::newRow("keep") << int(QMessageBox::No) << false;
    }
    void existingFileIsConfirmedForReplacing() {
        QFETCH(int, button);
        QFETCH(bool, replaced);
        QFile existing(path(QStringLiteral("Old.png")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QString question;
        std::deque<ScriptedUser::Step> steps = {
            saveAs(QStringLiteral("Old.png")),
            answerMessage(&question, static_cast<QMessageBox::StandardButton>(button))};
        if (!replaced) steps.push_back(cancel());
        const QString answer = askQt(std::move(steps));
        QVERIFY2(question.contains(QStringLiteral("already exists")), qPrintable(question));
        QCOMPARE(answer, replaced ? path(QStringLiteral("Old.png")) : QString());
    }
};

QTEST_MAIN(TestSaveDialog)
#include "test_savedialog.moc"
