#include "TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

// The manual page and the shell completion name every option the program itself offers, and
// the installed data files pass the desktop's own validators.
class TestDocs : public QObject {
    Q_OBJECT

    static QString fileText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

  private slots:
    void everyOptionIsDocumentedAndCompleted_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("manual");
        QTest::addColumn<QString>("completion");
        const QString cliManual = QStringLiteral(MAN_DIR "/barcode-desk-cli.1");
        const QString cliCompletion = QStringLiteral(DIST_DIR "/barcode-desk-cli.bash-completion");
        QTest::newRow("window") << QStringLiteral(WINDOW_EXECUTABLE) << QStringList{"--help"}
                                << QStringLiteral(MAN_DIR "/barcode-desk.1")
                                << QStringLiteral(DIST_DIR "/barcode-desk.bash-completion");
        QTest::newRow("cli") << QStringLiteral(CLI_EXECUTABLE) << QStringList{"--help"} << cliManual
                             << cliCompletion;
        for (const char* command : {"draw", "read", "batch", "verify"})
            QTest::newRow(command) << QStringLiteral(CLI_EXECUTABLE)
                                   << QStringList{command, "--help"} << cliManual << cliCompletion;
    }
    void everyOptionIsDocumentedAndCompleted() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, manual);
        QFETCH(QString, completion);
        const Run help = runProgram(program, args);
        QStringList options;
        static const QRegularExpression longOption(QStringLiteral("(?<![\\w-])--([a-z][a-z-]*)"));
        for (const auto& match : longOption.globalMatch(QString::fromUtf8(help.out)))
            options << match.captured(1);
        options.removeDuplicates();
        QVERIFY2(help.exitCode == 0 && options.contains(QStringLiteral("help")),
                 qPrintable(QFileInfo(program).fileName() + u' ' + args.join(u' ') +
                            QStringLiteral(" gives no help: ") + QString::fromUtf8(help.err)));

        const QString manualText = fileText(manual);
        const QString completionText = completion.isEmpty() ? QString() : fileText(completion);
        QVERIFY(!manualText.isEmpty() && completionText.isEmpty() == completion.isEmpty());
        for (const QString& option : options) {
            // roff writes every hyphen of an option as \-
            const QString roff = QString(option).replace(u'-', QStringLiteral("\\\\-"));
            QVERIFY2(
                manualText.contains(QRegularExpression("\\\\-\\\\-" + roff + "(?![\\w\\\\-])")),
                qPrintable(manual + " lacks --" + option));
            if (!completion.isEmpty())
                QVERIFY2(completionText.contains(
                             QRegularExpression("(?<![\\w-])--" + option + "(?![\\w-])")),
                         qPrintable(completion + " lacks --" + option));
        }
    }

    // Every word `types` lists is in the manual's type list, the completion's and the README's
    // table of symbologies (the classic seven in its command-line section).
    void everyTypeIsDocumentedAndCompleted() {
        const Run types = runProgram(QStringLiteral(CLI_EXECUTABLE), {"types"});
        QCOMPARE(types.exitCode, 0);
        const QString manual = fileText(QStringLiteral(MAN_DIR "/barcode-desk-cli.1"));
        const QString completion =
            fileText(QStringLiteral(DIST_DIR "/barcode-desk-cli.bash-completion"));
        const QString readme = fileText(QStringLiteral(DIST_DIR "/../README.md"));
        static const QRegularExpression typeWords(QStringLiteral("local types='([^']*)'"));
        const QStringList completed = typeWords.match(completion).captured(1).split(u' ');
        // The list ends at its first empty line; a note on the names follows.
        const QStringList lines = QString::fromUtf8(types.out)
                                      .section(QStringLiteral("\n\n"), 0, 0)
                                      .split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 7);
        for (const QString& line : lines) {
            const QString word = line.section(u' ', 0, 0);
            QVERIFY2(completed.contains(word), qPrintable("completion lacks " + word));
            const QString roff = QString(word).replace(u'-', QStringLiteral("\\-"));
            QVERIFY2(manual.contains(QRegularExpression(
                         "\\.BR? " + QRegularExpression::escape(roff) + "( ,)?\n")),
                     qPrintable("manual lacks " + word));
            QVERIFY2(readme.contains(u'`' + word + u'`'), qPrintable("README lacks " + word));
        }
    }

    void dataFilesValidate_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        const QString dist = QStringLiteral(DIST_DIR "/org.barcodedesk.BarcodeDesk");
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{dist + ".desktop"};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net", dist + ".metainfo.xml"};
        for (const char* page : {"barcode-desk.1", "barcode-desk-cli.1"})
            QTest::newRow(page) << "man"
                                << QStringList{"--warnings", "-l",
                                               QStringLiteral(MAN_DIR "/") + page};
    }
    void dataFilesValidate() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) QSKIP(qPrintable(program + " is not installed"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        // A locale the machine lacks would be a complaint of its own.
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const Run run = runProgram(path, args, {}, environment);
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), (run.err + run.out).constData());
    }
};

QTEST_GUILESS_MAIN(TestDocs)
#include "test_docs.moc"
