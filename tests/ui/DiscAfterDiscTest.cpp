// SPDX-License-Identifier: MIT
// "List Disc after Disc" in the main window, with a drive the test puts discs into: each new
// disc listed by itself into the same list, a disc that fails, the description counting up,
// Cancel while waiting, and Stop during a later disc.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "UiFakes.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "support/TempTree.h"
#include "ui/DriveList.h"
#include "ui/Main.h"
#include "ui/Status.h"

namespace dirscribe::test {

namespace {
constexpr bool kWindows = platform::kPathSeparator == '\\';
constexpr const char* kDiscDrive = kWindows ? "d: [DISC]" : "/other [DISC]";
const cdtray::MediaState kEmpty{cdtray::Media::None, 0};
cdtray::MediaState Disc(std::uint64_t change) {
    return {cdtray::Media::Present, change};
}
std::size_t Count(const QString& text, const QString& what) {
    return static_cast<std::size_t>(text.count(what));
}
}  // namespace

class DiscAfterDiscTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void eachNewDiscIsListedUntilCancel();
    void stopDuringALaterDiscEndsTheLoop();

  private:
    // Starts a run of the disc drive's first disc with the mark set; the drive's looks
    // follow `script` (by look, from 0), and the loop runs until it ends.
    void StartLoop(std::function<void(FakeDiscs&)> script) {
        main_->findChild<QAction*>(QStringLiteral("MnuDiscAfterDisc"))->setChecked(true);
        drives_->discs.onLook = std::move(script);
        dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
        QTest::mouseClick(main_->findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }
    QString ListText() const { return QString::fromStdString(ReadFile(list_)); }
    bool Idle() const {
        return main_->findChild<QPushButton*>(QStringLiteral("Command1"))->text() ==
                   QLatin1String("Start") &&
               main_->StatusWindow() == nullptr && !state_.StopRequested;
    }

    std::unique_ptr<TempDir> tmp_;
    std::filesystem::path list_;
    SharedState state_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<FakeDrives> drives_;
    std::unique_ptr<ui::Main> main_;
};

void DiscAfterDiscTest::init() {
    tmp_ = std::make_unique<TempDir>();
    // Three discs of one label, each with a file of its own.
    for (const char* disc : {"one", "two", "four"}) {
        MakeDir(tmp_->Path() / disc);
        MakeFile(tmp_->Path() / disc / (std::string(disc) + ".mp3"), 10, 0);
    }
    list_ = tmp_->Path() / "catalogue.txt";
    state_ = SharedState{};
    dialogs_ = std::make_unique<ScriptedDialogs>();
    drives_ = std::make_unique<FakeDrives>();
    const std::string one = Utf8(tmp_->Path() / "one");
    drives_->drives = {{kDiscDrive, one, one, "DISC"}};
    drives_->currentFolder = one;
    drives_->discs.discs[2] = {Utf8(tmp_->Path() / "two"), "DISC"};
    drives_->discs.discs[4] = {Utf8(tmp_->Path() / "four"), "DISC"};
    main_ = std::make_unique<ui::Main>(state_, *dialogs_, *drives_);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    main_->findChild<QLineEdit*>(QStringLiteral("VolDescBox"))
        ->setText(QStringLiteral("Box 3, disc 7"));
}

void DiscAfterDiscTest::cleanup() {
    main_.reset();
    drives_.reset();
    dialogs_.reset();
    tmp_.reset();
}

void DiscAfterDiscTest::eachNewDiscIsListedUntilCancel() {
    QString stat1, stat2, error;
    StartLoop([&](FakeDiscs& d) {
        // The first disc stays in the open tray for a look; then disc 2, one that holds no
        // file system (3), disc 4, each taken out after its eject; Cancel while waiting.
        const std::vector<cdtray::MediaState> looks = {Disc(1), kEmpty, Disc(2), kEmpty,
                                                       Disc(3), kEmpty, Disc(4), kEmpty};
        if (d.looks < static_cast<int>(looks.size())) {
            d.now = looks[static_cast<std::size_t>(d.looks)];
            if (d.looks == 5 && main_->StatusWindow() != nullptr)
                error = main_->StatusWindow()->Error()->text();
            return;
        }
        if (ui::Status* status = main_->StatusWindow()) {
            stat1 = status->Stat1()->text();
            stat2 = status->Stat2()->text();
            QTest::mouseClick(status->Cancel(), Qt::LeftButton);
        }
    });

    QVERIFY(Idle());
    QCOMPARE(stat1, QStringLiteral("Insert the next disc into D:"));
    QCOMPARE(stat2, QStringLiteral("Cancel ends"));
    QVERIFY2(error.contains(QStringLiteral("disc 3 cannot be read: no file system")),
             qPrintable(error));
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});  // asked for the first disc only
    QVERIFY(dialogs_->questions.isEmpty());
    QCOMPARE(drives_->discs.log, (std::vector<std::string>{"mount 2", "eject", "mount 3", "eject",
                                                           "mount 4", "eject"}));
    const QString text = ListText();
    QCOMPARE(Count(text, QString(89, QLatin1Char('-')) + QStringLiteral("\r\n")),
             std::size_t{12});  // 3 blocks
    for (const char* seen : {"one.mp3", "two.mp3", "four.mp3"})
        QCOMPARE(Count(text, QString::fromLatin1(seen)), std::size_t{1});
    // Counted up for each disc listed, not for the one that failed.
    for (const char* volume : {"DISC(Box 3, disc 7)", "DISC(Box 3, disc 8)", "DISC(Box 3, disc 9)"})
        QCOMPARE(Count(text, QString::fromLatin1(volume)), std::size_t{1});
    QCOMPARE(main_->findChild<QLineEdit*>(QStringLiteral("VolDescBox"))->text(),
             QStringLiteral("Box 3, disc 10"));
}

void DiscAfterDiscTest::stopDuringALaterDiscEndsTheLoop() {
    bool stopped = false;
    StartLoop([&](FakeDiscs& d) {
        d.now = d.looks < 1 ? kEmpty : Disc(2);
        if (d.now.media == cdtray::Media::Present && !stopped) {
            // Pressed as soon as the run of disc 2 yields.
            QTimer::singleShot(0, main_.get(), [&] {
                stopped = true;
                QTest::mouseClick(main_->findChild<QPushButton*>(QStringLiteral("Command1")),
                                  Qt::LeftButton);
            });
        }
    });
    QVERIFY(stopped);
    QVERIFY(Idle());
    const QString text = ListText();
    // Two blocks, each with its footer; disc 2 is not ejected by a stopped run.
    QCOMPARE(Count(text, QString(89, QLatin1Char('-')) + QStringLiteral("\r\n")),
             std::size_t{8});  // 2 blocks
    QVERIFY(text.endsWith(QString(89, QLatin1Char('-')) + QStringLiteral("\r\n")));
    QCOMPARE(drives_->discs.log, std::vector<std::string>{"mount 2"});

    // Without the mark a run is a run: the drive is not even looked at.
    main_->findChild<QAction*>(QStringLiteral("MnuDiscAfterDisc"))->setChecked(false);
    const int looks = drives_->discs.looks;
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    QTest::mouseClick(main_->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(drives_->discs.looks, looks);
    QVERIFY(Idle());
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::DiscAfterDiscTest)
#include "DiscAfterDiscTest.moc"
