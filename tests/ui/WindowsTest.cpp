// SPDX-License-Identifier: MIT
// Tests of the progress window, the real dialogs and boxes, and the folder list on its own.
#include <QAbstractItemView>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "UiFakes.h"
#include "base/Failure.h"
#include "engine/SharedState.h"
#include "support/TempTree.h"
#include "ui/Dialogs.h"
#include "ui/DriveList.h"
#include "ui/DriveSource.h"
#include "ui/FolderList.h"
#include "ui/SpaceWrapLabel.h"
#include "ui/Status.h"
#include "ui/Twips.h"

namespace dirscribe::test {

class WindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void progressWindowPlacesItselfAndNeverGrows();
    void statusLinesBreakAtSpacesOnly_data();
    void statusLinesBreakAtSpacesOnly();
    void driveListShowsLongEntriesWhole();
    void cancelOnlyRaisesTheStopRequest();
    void messageBoxesHaveNoIconAndTheProgramsTitle();
    void fileDialogTakesANewNameAndOffersTheLastOne();
    void fileDialogCancelGivesNothing();
    void nameFiltersFromFilterTexts();
    void folderListRaisesChangeOnlyWhenThePathChanges();
    void refreshClosesTheTrayARunOpenedAfterTheDiscWentAway();
};

void WindowsTest::progressWindowPlacesItselfAndNeverGrows() {
    SharedState state;
    // Near the bottom right of any screen: the window goes partly off screen all the same.
    const QPoint mainTopLeft(30000, 20000);
    ui::Status status(state, mainTopLeft);
    const ui::Twips dpi = ui::Twips::Of(status);
    QCOMPARE(status.pos(), mainTopLeft + QPoint(dpi.X(800), dpi.Y(1000)));
    QVERIFY(!status.isVisible());  // created hidden; only the run shows it
    QCOMPARE(status.size(), QSize(dpi.X(6045), dpi.Y(2445)));
    QCOMPARE(status.windowTitle(), QStringLiteral("Dirscribe Progress"));
    QCOMPARE(status.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(!(status.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(status.parentWidget() == nullptr);

    const QRect stat2Box = dpi.Rect(180, 840, 5655, 615);
    QCOMPARE(status.Stat2()->geometry(), stat2Box);
    QCOMPARE(status.Error()->geometry(), dpi.Rect(180, 1560, 5655, 495));
    QCOMPARE(status.Cancel()->geometry(), dpi.Rect(2400, 2040, 1155, 315));
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    status.SetStat2(QStringLiteral("Reading: ") + QString(400, QLatin1Char('x')) +
                    QStringLiteral(" and some words after it ").repeated(20));
    status.SetError(QStringLiteral("<b>Last Error: </b> & not markup"));
    QCoreApplication::processEvents();
    QCOMPARE(status.Stat2()->geometry(), stat2Box);
    QVERIFY(status.Stat2()->wordWrap());
    // Only the lines that fit whole into the box are drawn.
    auto* stat2 = qobject_cast<ui::SpaceWrapLabel*>(status.Stat2());
    QVERIFY(stat2 != nullptr);
    const int wholeLines = stat2->contentsRect().height() / stat2->fontMetrics().lineSpacing();
    QCOMPARE(stat2->ShownLines().size(), wholeLines);
    QVERIFY(wholeLines >= 2);
    QCOMPARE(stat2->ShownLines().first(), QStringLiteral("Reading:"));
    QVERIFY(stat2->ShownLines().at(1).startsWith(QStringLiteral("xxx")));
    QCOMPARE(status.Error()->textFormat(), Qt::PlainText);
    QCOMPARE(status.size(), QSize(dpi.X(6045), dpi.Y(2445)));

    // The window takes no close request of its own.
    QVERIFY(!status.close());
    QVERIFY(status.isVisible());
}

void WindowsTest::statusLinesBreakAtSpacesOnly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("widthOf");  // the box is as wide as this text
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("words") << "one two three four"
                           << "one two three fo" << 9 << QStringList({"one two three", "four"});
    // A path breaks at its spaces, never at a separator.
    QTest::newRow("path") << "Reading: /music/Disc 01/Set/Live at/Hall"
                          << "Reading: /music/Disc 01/Se" << 9
                          << QStringList({"Reading: /music/Disc", "01/Set/Live at/Hall"});
    QTest::newRow("backslashes") << "Reading: C:\\Music\\Disc 01\\Set"
                                 << "Reading: C:\\Mus" << 9
                                 << QStringList({"Reading:", "C:\\Music\\Disc", "01\\Set"});
    // A stretch without spaces wider than the box stays one line (cut when drawn).
    QTest::newRow("long stretch") << "a /very/long/stretch b c"
                                  << "a /very" << 9
                                  << QStringList({"a", "/very/long/stretch", "b c"});
    QTest::newRow("spaces at a break") << "one   two"
                                       << "one " << 9 << QStringList({"one", "two"});
    QTest::newRow("whole lines only") << "one two three four"
                                      << "one" << 2 << QStringList({"one", "two"});
    QTest::newRow("empty") << ""
                           << "x" << 3 << QStringList();
}

void WindowsTest::statusLinesBreakAtSpacesOnly() {
    QFETCH(QString, text);
    QFETCH(QString, widthOf);
    QFETCH(int, maxLines);
    QFETCH(QStringList, lines);
    const QFontMetrics metrics(QApplication::font());
    QCOMPARE(ui::WrapAtSpaces(text, metrics, metrics.horizontalAdvance(widthOf), maxLines), lines);
}

void WindowsTest::driveListShowsLongEntriesWhole() {
    FakeDrives drives;
    const std::string longText = "/media/someone/A Rather Long Volume Name [A RATHER LONG LABEL]";
    drives.drives = {{"/ [ROOT]", "/", "/", "ROOT"}, {longText, "/m", "/m", "LABEL"}};
    ui::DriveList list(drives);
    list.resize(120, list.sizeHint().height());
    list.Load("/m");
    list.setCurrentIndex(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.DriveText(), longText);  // the entry itself is never shortened
    list.showPopup();
    QAbstractItemView* view = list.view();
    QVERIFY(view->isVisible());
    QVERIFY2(view->viewport()->width() >= view->sizeHintForColumn(0),
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(view->viewport()->width())
                            .arg(view->sizeHintForColumn(0))));
    list.hidePopup();
}

void WindowsTest::cancelOnlyRaisesTheStopRequest() {
    SharedState state;
    ui::Status status(state, QPoint(0, 0));
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    status.SetStat1(QStringLiteral("one"));
    QTest::mouseClick(status.Cancel(), Qt::LeftButton);
    QVERIFY(state.StopRequested);
    QTest::mouseClick(status.Cancel(), Qt::LeftButton);
    QVERIFY(state.StopRequested);
    QVERIFY(status.isVisible());
    QVERIFY(status.Cancel()->isEnabled());
    QCOMPARE(status.Stat1()->text(), QStringLiteral("one"));

    // Escape does nothing; Enter and Space press the button only while it has the focus.
    state.StopRequested = false;
    QTest::keyClick(&status, Qt::Key_Escape);
    QVERIFY(!state.StopRequested);
    QVERIFY(!status.Cancel()->isDefault());
    QTest::keyClick(status.Cancel(), Qt::Key_Return);
    QVERIFY(state.StopRequested);
    state.StopRequested = false;
    QTest::keyClick(status.Cancel(), Qt::Key_Space);
    QVERIFY(state.StopRequested);
}

void WindowsTest::messageBoxesHaveNoIconAndTheProgramsTitle() {
    ui::StandardDialogs dialogs;
    struct Box {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Information;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    // Reads the box that is up, then presses `answer`.
    const auto answer = [](Box& box, QMessageBox::StandardButton press) {
        WhenModal([&box, press](QWidget* modal) {
            auto* mb = qobject_cast<QMessageBox*>(modal);
            if (mb == nullptr) return modal->close(), void();
            box.title = mb->windowTitle();
            box.text = mb->text();
            box.icon = mb->icon();
            for (QAbstractButton* b : mb->buttons()) box.buttons << mb->standardButton(b);
            std::sort(box.buttons.begin(), box.buttons.end());
            if (mb->defaultButton() != nullptr)
                box.defaultButton = mb->standardButton(mb->defaultButton());
            mb->button(press)->click();
        });
    };

    Box yesNo;
    answer(yesNo, QMessageBox::No);
    QVERIFY(!dialogs.AskYesNo(nullptr, QStringLiteral("Overwrite?")));
    QCOMPARE(yesNo.title, QStringLiteral("Dirscribe"));
    QCOMPARE(yesNo.text, QStringLiteral("Overwrite?"));
    QCOMPARE(yesNo.icon, QMessageBox::NoIcon);
    QCOMPARE(yesNo.buttons,
             QList<QMessageBox::StandardButton>({QMessageBox::Yes, QMessageBox::No}));
    answer(yesNo, QMessageBox::Yes);
    QVERIFY(dialogs.AskYesNo(nullptr, QStringLiteral("Overwrite?")));

    Box ok;
    answer(ok, QMessageBox::Ok);
    dialogs.ShowMessage(nullptr, QStringLiteral("Error:Disk not ready"));
    QCOMPARE(ok.text, QStringLiteral("Error:Disk not ready"));
    QCOMPARE(ok.icon, QMessageBox::NoIcon);
    QCOMPARE(ok.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Ok}));

    Box ari;
    answer(ari, QMessageBox::Retry);
    QCOMPARE(dialogs.AskAbortRetryIgnore(nullptr, QStringLiteral("Line one\r\nLine two")),
             AbortRetryIgnore::Retry);
    QCOMPARE(ari.text, QStringLiteral("Line one\nLine two"));
    QCOMPARE(ari.title, QStringLiteral("Dirscribe"));
    QCOMPARE(ari.icon, QMessageBox::NoIcon);
    QCOMPARE(ari.defaultButton, QMessageBox::Abort);
    QCOMPARE(ari.buttons, QList<QMessageBox::StandardButton>(
                              {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}));
    answer(ari, QMessageBox::Ignore);
    QCOMPARE(dialogs.AskAbortRetryIgnore(nullptr, QStringLiteral("x")), AbortRetryIgnore::Ignore);
    answer(ari, QMessageBox::Abort);
    QCOMPARE(dialogs.AskAbortRetryIgnore(nullptr, QStringLiteral("x")), AbortRetryIgnore::Abort);
}

void WindowsTest::fileDialogTakesANewNameAndOffersTheLastOne() {
    TempDir dir;
    WriteFile(dir / "old.txt", "existing");
    ui::StandardDialogs dialogs;
    struct Seen {
        QString title, objectName, suffix, offered;
        QStringList filters;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
        QFileDialog::FileMode mode = QFileDialog::Directory;
    };
    const auto typeName = [](Seen& seen, const QString& name) {
        WhenModal([&seen, name](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) return modal->close(), void();
            seen.title = dialog->windowTitle();
            seen.objectName = dialog->objectName();
            seen.suffix = dialog->defaultSuffix();
            seen.filters = dialog->nameFilters();
            seen.accept = dialog->acceptMode();
            seen.mode = dialog->fileMode();
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (edit == nullptr) return dialog->reject(), void();
            seen.offered = edit->text();
            edit->setText(name);
            // Should the dialog ask anything (an overwrite warning), the answer never comes and
            // the dialog is closed by force, failing the test.
            QTimer::singleShot(3000, dialog, [dialog] { dialog->reject(); });
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };

    // A name that does not exist yet, without an extension: taken as typed.
    Seen first;
    typeName(first, QStringLiteral("fresh"));
    const auto chosen = dialogs.AskFileName(
        nullptr,
        {ListDialog::Cdlg2, QStringLiteral("Save List As (Append File)"),
         QStringLiteral("Text Files (*.txt)|*.txt"), QString::fromStdString(dir.Str() + "/")});
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen).fileName(), QStringLiteral("fresh"));
    QCOMPARE(first.title, QStringLiteral("Save List As (Append File)"));
    QCOMPARE(first.objectName, QStringLiteral("Cdlg2"));
    QCOMPARE(first.suffix, QString());
    QCOMPARE(first.filters, QStringList({"Text Files (*.txt)"}));
    QCOMPARE(first.accept, QFileDialog::AcceptOpen);
    QCOMPARE(first.mode, QFileDialog::AnyFile);

    // An existing file: no warning; the name given is offered.
    Seen second;
    typeName(second, QStringLiteral("old.txt"));
    const QString offered = QString::fromStdString((dir / "old.txt").string());
    const auto again =
        dialogs.AskFileName(nullptr, {ListDialog::CDlg, QStringLiteral("Save List As (New File)"),
                                      QStringLiteral("HTML Files (*.htm)|*.htm"), offered});
    QVERIFY(again.has_value());
    QCOMPARE(QFileInfo(*again).canonicalFilePath(), QFileInfo(offered).canonicalFilePath());
    QCOMPARE(second.offered, QStringLiteral("old.txt"));
    QCOMPARE(second.objectName, QStringLiteral("CDlg"));
    QCOMPARE(ReadFile(dir / "old.txt"), std::string("existing"));
}

void WindowsTest::fileDialogCancelGivesNothing() {
    ui::StandardDialogs dialogs;
    WhenModal([](QWidget* modal) { modal->close(); });
    QVERIFY(!dialogs
                 .AskFileName(nullptr, {ListDialog::CDlg,
                                        QStringLiteral("t"),
                                        QStringLiteral("Text Files (*.txt)|*.txt"),
                                        {}})
                 .has_value());
}

void WindowsTest::nameFiltersFromFilterTexts() {
    QCOMPARE(ui::NameFilters(QStringLiteral("Text Files (*.txt)|*.txt")),
             QStringList({"Text Files (*.txt)"}));
    QCOMPARE(ui::NameFilters(QStringLiteral("Lists|*.lst|All (*.*)|*.*")),
             QStringList({"Lists (*.lst)", "All (*.*)"}));
    QCOMPARE(ui::NameFilters(QString()), QStringList());
}

void WindowsTest::folderListRaisesChangeOnlyWhenThePathChanges() {
    TempDir dir;
    for (const char* sub : {"b", "A", "c", ".dot"}) MakeDir(dir / sub);
    ui::FolderList list;
    QSignalSpy changed(&list, &ui::FolderList::Changed);
    const QString root = QString::fromStdString(dir.Str());
    list.SetPath(root, root);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.topLevelItemCount(), 1);
    QTreeWidgetItem* top = list.topLevelItem(0);
    QStringList names;
    for (int i = 0; i < top->childCount(); ++i) names << top->child(i)->text(0);
    QCOMPARE(names, QStringList({"A", "b", "c"}));

    list.SetPath(root);  // the same path: no change
    QCOMPARE(changed.count(), 1);
    MakeDir(dir / "d");
    list.Refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.topLevelItem(0)->childCount(), 4);

    // A folder that cannot be read leaves the list as it was.
    try {
        list.SetPath(root + QStringLiteral("/missing"));
        QFAIL("a missing folder opened");
    } catch (const Failure& failure) {
        QCOMPARE(failure.Number(), FailureNo::PathNotFound);
    }
    QCOMPARE(list.Path(), root);
    QCOMPARE(changed.count(), 1);

    // A folder outside the top folder is shown below the top of its own volume.
    list.SetPath(root + QStringLiteral("/A"), root + QStringLiteral("/c"));
    QCOMPARE(changed.count(), 2);
    QVERIFY(root.startsWith(list.Root()));
    std::filesystem::remove_all(dir / "A");
    QVERIFY_THROWS_EXCEPTION(Failure, list.Refresh());
}

void WindowsTest::refreshClosesTheTrayARunOpenedAfterTheDiscWentAway() {
    ui::TrayMemory trays;
    const std::string start = "/media/u/MUSIC01/Jazz";
    // The run ends: the start path is on the optical drive, whose tray opens.
    QCOMPARE(trays.DriveOf(start, "/dev/sr0"), std::string("/dev/sr0"));
    trays.Opened("/dev/sr0");
    // The disc is gone, so the system now puts the path on the disk below the mount point;
    // Refresh must still close the drive the run opened.
    QCOMPARE(trays.DriveOf(start, "/dev/vda"), std::string("/dev/sr0"));
    trays.Closed("/dev/sr0");
    // Once closed, the path's drive is the system's again.
    QCOMPARE(trays.DriveOf(start, "/dev/vda"), std::string("/dev/vda"));
    // A path whose tray was never opened always gets the system's answer.
    QCOMPARE(trays.DriveOf("/home/u", "/dev/vda"), std::string("/dev/vda"));
    QCOMPARE(trays.DriveOf("/home/u", "/dev/vdb"), std::string("/dev/vdb"));
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::WindowsTest)
#include "WindowsTest.moc"
