// SPDX-License-Identifier: MIT
// Tests of the main window's controls when no run is going: the mask, the option groups,
// the format menu, the keys on buttons, drive and folder changes, Refresh and Quit.
#include "MainWindowFixture.h"

namespace dirscribe::test {

class MainWindowControlsTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    void maskListAndTypedMask();
    void optionGroupsAreIndependent();
    void formatMenuKeepsOneCheckMark();
    void enterPressesTheFocusedButton();
    void driveChangeRetriesUntilReady();
    void driveChangeGivesUpAtTheLimit();
    void folderListOpensOnDoubleClickOnly();
    void refreshReturnsToTheDrivesFolder();
    void refreshReportsAFolderThatVanished();
    void quitWhenIdleEndsAtOnce();
};

void MainWindowControlsTest::maskListAndTypedMask() {
    auto* mask = Find<QComboBox>("MaskBox");
    QStringList entries;
    for (int i = 0; i < mask->count(); ++i) entries << mask->itemText(i);
    QCOMPARE(entries, QStringList({"*.*", "*.MP3", "*.WAV", "*.MID"}));

    // A typed mask is not added to the list, and it is what the run reads.
    mask->lineEdit()->clear();
    QTest::keyClicks(mask->lineEdit(), QStringLiteral("*.TXT"));
    QTest::keyClick(mask->lineEdit(), Qt::Key_Return);
    QCOMPARE(mask->count(), 4);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    Start();
    const QString text = ListText();
    QVERIFY(text.contains(QStringLiteral("b.txt")));
    QVERIFY(text.contains(QStringLiteral("inside.txt")));
    QVERIFY(!text.contains(QStringLiteral("a.mp3")));
}

void MainWindowControlsTest::optionGroupsAreIndependent() {
    Click("DFlag(1)");
    QVERIFY(!Find<QRadioButton>("DFlag(0)")->isChecked());
    QVERIFY(Find<QRadioButton>("AppFlag(1)")->isChecked());
    Click("AppFlag(0)");
    QVERIFY(Find<QRadioButton>("DFlag(1)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(1)")->isChecked());
    Click("DFlag(0)");
    QVERIFY(!Find<QRadioButton>("DFlag(1)")->isChecked());
    QVERIFY(Find<QRadioButton>("AppFlag(0)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(2)")->isChecked());

    // The run reads them: folders only, into a new list.
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    Click("DFlag(1)");
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QCOMPARE(dialogs_->fileRequests[0].dialog, ListDialog::CDlg);
    const QString text = ListText();
    QVERIFY(text.contains(Listed("Gamma/")));
    QVERIFY(!text.contains(QStringLiteral("b.txt")));
}

void MainWindowControlsTest::formatMenuKeepsOneCheckMark() {
    const auto entry = [this](int i) {
        return main_->findChild<QAction*>(QStringLiteral("MnuOFmt(%1)").arg(i));
    };
    const auto checked = [&] {
        QList<int> marks;
        for (int i = 0; i < 6; ++i) {
            if (entry(i)->isChecked()) marks << i;
        }
        return marks;
    };
    entry(5)->trigger();
    QCOMPARE(checked(), QList<int>({5}));
    QCOMPARE(state_.OutputFormat, ListFormat::Html);
    entry(0)->trigger();
    QCOMPARE(checked(), QList<int>({0}));
    QCOMPARE(state_.OutputFormat, ListFormat::Text);
    entry(0)->trigger();  // the checked entry again
    QCOMPARE(checked(), QList<int>({0}));
    QCOMPARE(state_.OutputFormat, ListFormat::Text);
    entry(3)->trigger();
    QCOMPARE(checked(), QList<int>({3}));
    QCOMPARE(state_.OutputFormat, ListFormat::Csv);
    QCOMPARE(entry(3)->text(), QStringLiteral("Comma Separated (CSV) Full Details"));
}

void MainWindowControlsTest::enterPressesTheFocusedButton() {
    auto* refresh = Find<QPushButton>("Refresh");
    const auto key = [](QWidget* widget, Qt::Key which, Qt::KeyboardModifiers modifiers = {},
                        bool autoRepeat = false) {
        widget->setFocus();
        QKeyEvent press(QEvent::KeyPress, which, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, which, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(widget, &release);
    };
    key(refresh, Qt::Key_Return);
    QCOMPARE(drives_->closed.size(), std::size_t{1});
    key(refresh, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(drives_->closed.size(), std::size_t{2});
    // A key held down presses once; Enter with Ctrl is no press.
    key(refresh, Qt::Key_Return, {}, true);
    key(refresh, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(drives_->closed.size(), std::size_t{2});

    // Start by Enter and by Space (the dialog's Cancel ends each run at once).
    key(Command1(), Qt::Key_Return);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QTest::keyClick(Command1(), Qt::Key_Space);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    // Enter elsewhere presses nothing: neither button is the window's default.
    key(Find<QLineEdit>("VolDescBox"), Qt::Key_Return);
    key(Find<QComboBox>("MaskBox")->lineEdit(), Qt::Key_Return);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    QCOMPARE(drives_->closed.size(), std::size_t{2});
    QVERIFY(!Command1()->isDefault() && !refresh->isDefault());
    QVERIFY(Idle());
}

void MainWindowControlsTest::driveChangeRetriesUntilReady() {
    drives_->drives[1].openFailures = 3;
    drives_->drives[1].labelFailures = 2;
    Find<ui::DriveList>("Drive1")->setCurrentIndex(1);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));
    QCOMPARE(Text("VLabel"), QStringLiteral("OTHER"));
    QCOMPARE(drives_->closed, std::vector<std::string>(5, std::string("tray:") + kOtherDrive));
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowControlsTest::driveChangeGivesUpAtTheLimit() {
    auto* drive1 = Find<ui::DriveList>("Drive1");
    drives_->drives[1].openFailures = -1;
    drive1->setCurrentIndex(1);
    QCOMPARE(drives_->closed.size(), std::size_t{1000});
    QCOMPARE(dialogs_->messages,
             QStringList({QStringLiteral("Error:Disk not ready: ") + kOtherDrive}));
    QCOMPARE(drive1->currentText(), QString::fromLatin1(kOtherDrive));
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(Text("VLabel"), QStringLiteral("DATA"));

    // A new change counts from 0 again: 999 failures are still tolerated.
    drive1->setCurrentIndex(0);
    drives_->drives[1].openFailures = 999;
    drive1->setCurrentIndex(1);
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));

    // Both steps add to one count: the folder opens, the label is given up on.
    drive1->setCurrentIndex(0);
    drives_->drives[1].openFailures = 600;
    drives_->drives[1].labelFailures = 400;
    drive1->setCurrentIndex(1);
    QCOMPARE(dialogs_->messages.size(), 2);
    QCOMPARE(dialogs_->messages[1], QStringLiteral("Error:Label unreadable: ") + kOtherDrive);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));
    QCOMPARE(Text("VLabel"), QStringLiteral("DATA"));
}

void MainWindowControlsTest::folderListOpensOnDoubleClickOnly() {
    auto* dir1 = Find<ui::FolderList>("Dir1");
    const auto item = [dir1](const char* name) {
        const auto found =
            dir1->findItems(QString::fromLatin1(name), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    };
    QVERIFY(item(".hidden") == nullptr);
    QTreeWidgetItem* open = dir1->topLevelItem(0);
    QCOMPARE(open->text(0), Root());
    QStringList subs;
    for (int i = 0; i < open->childCount(); ++i) subs << open->child(i)->text(0);
    QCOMPARE(subs, QStringList({"Alpha", "beta", "Gamma"}));

    const auto centre = [dir1](QTreeWidgetItem* it) { return dir1->visualItemRect(it).center(); };
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, centre(item("beta")));
    QCOMPARE(dir1->currentItem(), item("beta"));
    QCOMPARE(Text("SelPath"), Root());

    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, centre(item("beta")));
    QCOMPARE(Text("SelPath"), Folder("beta"));
    QCOMPARE(Find<QLabel>("SelPath")->toolTip(), Folder("beta"));
    QCOMPARE(dir1->Path(), Folder("beta"));
    // The path from the top folder down, then the open folder's sub-folders.
    QTreeWidgetItem* beta = item("beta");
    QVERIFY(beta != nullptr && beta->parent() == dir1->topLevelItem(0));
    QCOMPARE(beta->childCount(), 1);
    QCOMPARE(beta->child(0)->text(0), QStringLiteral("Inner"));
    QVERIFY(item("Alpha") == nullptr);

    // Enter opens the highlighted folder; the top line goes back up.
    dir1->setCurrentItem(item("Inner"));
    QTest::keyClick(dir1, Qt::Key_Return);
    QCOMPARE(Text("SelPath"), Folder("beta/Inner"));
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, centre(dir1->topLevelItem(0)));
    QCOMPARE(Text("SelPath"), Folder("beta/Inner"));
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, centre(dir1->topLevelItem(0)));
    QCOMPARE(Text("SelPath"), Root());
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowControlsTest::refreshReturnsToTheDrivesFolder() {
    auto* dir1 = Find<ui::FolderList>("Dir1");
    dir1->SetPath(Folder("Alpha"));
    QCOMPARE(Text("SelPath"), Folder("Alpha"));
    MakeDir(tree_->Path() / "Delta");
    Click("Refresh");
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(dir1->Path(), Root());
    QCOMPARE(dir1->findItems(QStringLiteral("Delta"), Qt::MatchRecursive).size(), 1);
    QCOMPARE(drives_->closed, std::vector<std::string>({"tray-of:" + tree_->Str()}));
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowControlsTest::refreshReportsAFolderThatVanished() {
    // The drive opens in Alpha, which goes away between the drive change and the re-reading.
    drives_->drives[0].current = Folder("Alpha").toStdString();
    drives_->onCloseCDDoor = [this] { fs::remove_all(tree_->Path() / "Alpha"); };
    Click("Refresh");
    QCOMPARE(dialogs_->messages, QStringList({"Error:Path not found: '" + Folder("Alpha") + "'"}));
    QVERIFY(main_->isVisible());
    QCOMPARE(Text("SelPath"), Folder("Alpha"));
    // The program goes on: the next Refresh works again.
    drives_->drives[0].current = tree_->Str();
    drives_->onCloseCDDoor = nullptr;
    Click("Refresh");
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(dialogs_->messages.size(), 1);
}

void MainWindowControlsTest::quitWhenIdleEndsAtOnce() {
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    main_->findChild<QAction*>(QStringLiteral("MnuQuit"))->trigger();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!main_->isVisible());
    QVERIFY(dialogs_->messages.isEmpty() && dialogs_->questions.isEmpty());
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::MainWindowControlsTest)
#include "MainWindowControlsTest.moc"
