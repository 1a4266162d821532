// SPDX-License-Identifier: MIT
// Tests of the runs started from the main window: the list written, the progress window,
// Stop and Cancel, the overwrite question, failed and refused runs, and Quit during a run.
#include <QMessageBox>
#include <QThread>

#include "MainWindowFixture.h"
#include "ui/WindowFrontEnd.h"

namespace dirscribe::test {

// The windows raised (restacked) while it watches them, in order.
struct RaiseOrder : QObject {
    QList<QObject*> raised;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ZOrderChange) raised << watched;
        return false;
    }
};

class MainWindowRunTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    void formatChoiceDuringARunLeavesTheFocus();
    void progressStaysUnderTheNextBox();
    void progressComesBackOnceTheRunLetsTheWindowsCatchUp();
    void runWritesTheListAndShowsProgress();
    void cancelledDialogTouchesNothing();
    void stopOrCancelGiveAWellFormedList_data();
    void stopOrCancelGiveAWellFormedList();
    void overwriteQuestion();
    void failedRunLeavesProgressUntilTheWindowCloses();
    void oneFileByTwoNamesIsRefusedUntouched();
    void quitDuringRunFinishesTheList_data();
    void quitDuringRunFinishesTheList();
};

void MainWindowRunTest::formatChoiceDuringARunLeavesTheFocus() {
    // The progress window comes back to the front after the menu, but the focus stays where
    // the user put it.
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    auto* description = Find<QLineEdit>("VolDescBox");
    QPointer<QWidget> focus;
    QPointer<QWidget> active;
    QTimer::singleShot(0, main_.get(), [&] {
        QVERIFY(main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible());
        // The user clicks into the description field of the main window.
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
        description->setFocus();
        main_->findChild<QAction*>(QStringLiteral("MnuOFmt(2)"))->trigger();
        QCoreApplication::processEvents();
        focus = QApplication::focusWidget();
        active = QApplication::activeWindow();
    });
    Start();
    QCOMPARE(focus.data(), description);
    QCOMPARE(active.data(), main_.get());
    QCOMPARE(state_.OutputFormat, ListFormat::CsvNames);
    QVERIFY(Idle());
}

void MainWindowRunTest::progressStaysUnderTheNextBox() {
    // The main window activated just after a box was answered brings the progress window back
    // over it; but when the run has opened its next box by then (a Retry that fails again), the
    // activation is the old box's leaving, and the new box ends up in front of both.
    ui::WindowFrontEnd& frontEnd = main_->RunFrontEnd();
    frontEnd.ShowProgress();
    ui::Status* status = main_->StatusWindow();
    QVERIFY(status != nullptr && status->isVisible());
    RaiseOrder order;
    status->installEventFilter(&order);
    for (const bool boxOpen : {false, true}) {
        QMessageBox next(QMessageBox::NoIcon, QStringLiteral("next"), QStringLiteral("next"));
        next.setWindowModality(Qt::ApplicationModal);
        next.installEventFilter(&order);
        frontEnd.BringProgressToFront();
        if (boxOpen) next.show();
        order.raised.clear();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(main_.get(), &activate);
        QCOMPARE(order.raised,
                 boxOpen ? QList<QObject*>({status, &next}) : QList<QObject*>({status}));
    }
    status->removeEventFilter(&order);
    frontEnd.UnloadProgress();
}

void MainWindowRunTest::progressComesBackOnceTheRunLetsTheWindowsCatchUp() {
    // After a box the run may keep the event loop from turning for a while (a large folder
    // read first). The main window's activation, delivered only then, still brings the
    // progress window back, and so does the end of the half second after it.
    ui::WindowFrontEnd& frontEnd = main_->RunFrontEnd();
    frontEnd.ShowProgress();
    ui::Status* status = main_->StatusWindow();
    RaiseOrder order;
    status->installEventFilter(&order);
    frontEnd.BringProgressToFront();
    QThread::msleep(700);
    QCoreApplication::processEvents();
    order.raised.clear();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(main_.get(), &activate);
    QCOMPARE(order.raised, QList<QObject*>({status}));
    QTRY_COMPARE(order.raised.size(), 2);
    status->removeEventFilter(&order);
    frontEnd.UnloadProgress();
}

void MainWindowRunTest::runWritesTheListAndShowsProgress() {
    const QString name = QString::fromStdString(list_.string());
    dialogs_->fileAnswers = {name};
    struct Seen {
        bool fired = false, visible = false, busy = false;
        QString caption, title, stat1, stat2;
        QPoint offset;
        Qt::WindowFlags flags;
        QWidget* parent = nullptr;
    } seen;
    QTimer::singleShot(0, main_.get(), [&] {
        seen.fired = true;
        ui::Status* status = main_->StatusWindow();
        if (status == nullptr) return;
        seen.visible = status->isVisible();
        seen.busy = QApplication::overrideCursor() != nullptr &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.caption = Command1()->text();
        seen.title = status->windowTitle();
        seen.stat1 = status->Stat1()->text();
        seen.stat2 = status->Stat2()->text();
        seen.offset = status->pos() - main_->frameGeometry().topLeft();
        seen.flags = status->windowFlags();
        seen.parent = status->parentWidget();
    });
    Start();

    QVERIFY(seen.fired);
    QVERIFY(seen.visible);
    QVERIFY(seen.busy);
    QCOMPARE(seen.caption, QStringLiteral("Stop"));
    QCOMPARE(seen.title, QStringLiteral("Dirscribe Progress"));
    QCOMPARE(seen.stat1, QStringLiteral("Reading Directory Information"));
    QCOMPARE(seen.stat2, QStringLiteral("Please Wait..."));
    const ui::Twips dpi = ui::Twips::Of(*main_);
    QCOMPARE(seen.offset, QPoint(dpi.X(800), dpi.Y(1000)));
    QCOMPARE(seen.flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(!(seen.flags & Qt::WindowCloseButtonHint));
    QCOMPARE(seen.parent, nullptr);

    QVERIFY(Idle());
    const auto& request = dialogs_->fileRequests.at(0);
    QCOMPARE(request.dialog, ListDialog::Cdlg2);  // Append is the mode at start
    QCOMPARE(request.title, QStringLiteral("Save List As (Append File)"));
    QCOMPARE(request.filter, QStringLiteral("Text Files (*.txt)|*.txt"));
    QCOMPARE(request.fileName, QString());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    QVERIFY(text.contains(QStringLiteral("Volume:    DATA\r\n")));
    for (const char* folder : {"Alpha/\r\n", "beta/\r\n", "beta/Inner/\r\n", "Gamma/\r\n"})
        QVERIFY2(text.contains(Listed(folder)), folder);
    QVERIFY(!text.contains(QStringLiteral(".hidden")));
    QCOMPARE(drives_->opened, std::vector<std::string>({"tray-of:" + tree_->Str()}));
    QVERIFY(Text("CurDir").startsWith(Root()));
    // The labels show folders a few dozen times a second; the last one walked stays.
    QVERIFY2(Text("CurDir").endsWith(QStringLiteral("Gamma")), qPrintable(Text("CurDir")));

    // The next run offers the chosen name again and appends its own block, here in HTML.
    main_->findChild<QAction*>(QStringLiteral("MnuOFmt(4)"))->trigger();
    dialogs_->fileAnswers = {name};
    Start();
    QCOMPARE(dialogs_->fileRequests.at(1).fileName, name);
    QCOMPARE(dialogs_->fileRequests.at(1).filter, QStringLiteral("HTML Files (*.htm)|*.htm"));
    const QString both = ListText();
    QVERIFY(both.startsWith(text));
    QVERIFY(both.endsWith(QStringLiteral("</table></center></body></html>\r\n")));
    QVERIFY(Idle());
}

void MainWindowRunTest::cancelledDialogTouchesNothing() {
    Click("AppFlag(2)");  // Both: the new-list dialog first, then the append dialog
    const QString first = QString::fromStdString((other_->Path() / "new.txt").string());
    dialogs_->fileAnswers = {first, std::nullopt};
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    QCOMPARE(dialogs_->fileRequests[0].title, QStringLiteral("Save List As (New File)"));
    QCOMPARE(dialogs_->fileRequests[1].title, QStringLiteral("Save List As (Append File)"));
    QVERIFY(!fs::exists(other_->Path() / "new.txt"));
    QVERIFY(Idle());
    QVERIFY(drives_->opened.empty());

    // Cancel in the first dialog ends the run before the second; each dialog keeps its name.
    dialogs_->fileAnswers = {std::nullopt};
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{3});
    QCOMPARE(dialogs_->fileRequests[2].fileName, first);
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(Idle());
}

void MainWindowRunTest::stopOrCancelGiveAWellFormedList_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop") << QStringLiteral("Stop");
    QTest::newRow("Cancel") << QStringLiteral("Cancel");
}

void MainWindowRunTest::stopOrCancelGiveAWellFormedList() {
    QFETCH(QString, how);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    bool stillRunning = false;
    QTimer::singleShot(0, main_.get(), [&] {
        if (how == QLatin1String("Stop")) {
            QTest::mouseClick(Command1(), Qt::LeftButton);
            QTest::mouseClick(Command1(), Qt::LeftButton);  // a second Stop: the same
        } else if (ui::Status* status = main_->StatusWindow()) {
            QTest::mouseClick(status->Cancel(), Qt::LeftButton);
            QTest::mouseClick(status->Cancel(), Qt::LeftButton);
        }
        stillRunning = state_.StopRequested && Command1()->text() == QLatin1String("Stop") &&
                       main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible();
    });
    Start();

    QVERIFY(stillRunning);
    QVERIFY(!state_.StopRequested);
    QVERIFY(Idle());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    // The stop is noticed after the first sub-folder.
    QVERIFY(text.contains(Listed("Alpha/\r\n")));
    QVERIFY(!text.contains(Listed("Gamma/\r\n")));
    QCOMPARE(drives_->opened.size(), std::size_t{1});
}

void MainWindowRunTest::overwriteQuestion() {
    Click("AppFlag(0)");
    WriteFile(list_, "keep me");
    const QString name = QString::fromStdString(list_.string());
    dialogs_->fileAnswers = {name};
    dialogs_->yesNoAnswers = {false};
    Start();
    QCOMPARE(dialogs_->questions,
             QStringList({"New List file exists! Overwrite, losing existing content?"}));
    QCOMPARE(ListText(), QStringLiteral("keep me"));
    QVERIFY(Idle());
    QVERIFY(drives_->opened.empty());

    dialogs_->fileAnswers = {name};
    dialogs_->yesNoAnswers = {true};
    Start();
    ExpectWellFormedTextList(ListText());
    QVERIFY(Idle());
}

void MainWindowRunTest::failedRunLeavesProgressUntilTheWindowCloses() {
    // A list in a folder that is not there: it cannot be opened, and the run gives up.
    Click("AppFlag(0)");
    dialogs_->fileAnswers = {
        QString::fromStdString((list_.parent_path() / "no" / "l.txt").string())};
    Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].startsWith(QStringLiteral("Error:")));
    QCOMPARE(Command1()->text(), QStringLiteral("Start"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible());

    // Nothing else would ever remove it: it goes with the main window.
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    QVERIFY(main_->close());
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(ProgressGone());
}

void MainWindowRunTest::oneFileByTwoNamesIsRefusedUntouched() {
    Click("AppFlag(2)");
    WriteFile(list_, "catalogue");
    const auto other = list_.parent_path() / "." / list_.filename();
    dialogs_->fileAnswers = {QString::fromStdString(list_.string()),
                             QString::fromStdString(other.string())};
    Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].endsWith(QStringLiteral("' are the same file")));
    QCOMPARE(ListText(), QStringLiteral("catalogue"));
    QVERIFY(Idle());
}

void MainWindowRunTest::quitDuringRunFinishesTheList_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Quit") << true;
    QTest::newRow("close box") << false;
}

void MainWindowRunTest::quitDuringRunFinishesTheList() {
    QFETCH(bool, byMenu);
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    bool stayedDuringRun = false;
    QTimer::singleShot(0, main_.get(), [&] {
        if (byMenu)
            main_->findChild<QAction*>(QStringLiteral("MnuQuit"))->trigger();
        else
            main_->close();
        stayedDuringRun = main_->isVisible() && unloaded.isEmpty() && state_.StopRequested;
    });
    Start();
    QVERIFY(stayedDuringRun);
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!main_->isVisible());
    QVERIFY(ProgressGone());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    QVERIFY(!text.contains(Listed("Gamma/\r\n")));
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::MainWindowRunTest)
#include "MainWindowRunTest.moc"
