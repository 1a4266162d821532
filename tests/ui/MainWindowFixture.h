// SPDX-License-Identifier: MIT
// The main window's tests share this: a small tree with a data drive and another drive, a list
// file, the window shown, and helpers that find its controls by name.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <memory>

#include "UiFakes.h"
#include "engine/AppIdentity.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "support/TempTree.h"
#include "ui/DriveList.h"
#include "ui/FolderList.h"
#include "ui/Main.h"
#include "ui/Status.h"
#include "ui/Twips.h"
#include "ui/frmSplash.h"

namespace dirscribe::test {

// The drive list's entries as the system writes them: a letter on Windows, a mount point on
// Linux (the temporary folders lie on C: under Windows).
constexpr bool kWindows = platform::kPathSeparator == '\\';
constexpr const char* kDataDrive = kWindows ? "c: [DATA]" : "/fake [DATA]";
constexpr const char* kOtherDrive = kWindows ? "d: [OTHER]" : "/other [OTHER]";

// Under Wine, Qt's offscreen platform finds no proportional font: Wine hands the program no
// Unix environment variable (QT_QPA_FONTDIR), and without fontconfig Qt finds no font at all or
// takes Courier for "Sans Serif". Measures of text then say nothing about the layout.
inline bool NoProportionalFont() {
    const QFontInfo info(QApplication::font());
    return info.family().isEmpty() || info.fixedPitch();
}
constexpr const char* kNoFontUnderWine =
    "no proportional font on the offscreen platform: Wine passes no Unix environment "
    "(QT_QPA_FONTDIR) to the program, and Qt without fontconfig finds no font (or only Courier)";

namespace fs = std::filesystem;

inline const QString kHyphens = QString(89, QLatin1Char('-'));
inline const QString kTextHeader = QStringLiteral("\r\n\r\n") + kHyphens + QStringLiteral("\r\n");
inline const QString kTextFooter = (kHyphens + QStringLiteral("\r\n")).repeated(3);

class MainWindowFixture {
  protected:
    void SetUpWindow() {
        tree_ = std::make_unique<TempDir>();
        other_ = std::make_unique<TempDir>();
        MakeFile(tree_->Path() / "a.mp3", 10, LocalTime(2004, 1, 2, 8, 5, 0));
        MakeFile(tree_->Path() / "b.txt", 20, LocalTime(2004, 1, 2, 8, 5, 0));
        for (const char* sub : {"Alpha", "beta", "Gamma", ".hidden"}) {
            MakeDir(tree_->Path() / sub);
            MakeFile(tree_->Path() / sub / "inside.txt", 1, LocalTime(2004, 1, 2, 8, 5, 0));
        }
        MakeDir(tree_->Path() / "beta" / "Inner");
        // On Windows the list goes into the root of drive C:, as users often put it.
        list_ = kWindows ? tree_->Path().root_path() / "dirscribe-ui-test-list.txt"
                         : other_->Path() / "list.txt";
        fs::remove(list_);

        state_ = SharedState{};
        dialogs_ = std::make_unique<ScriptedDialogs>();
        drives_ = std::make_unique<FakeDrives>();
        drives_->drives = {{kDataDrive, tree_->Str(), tree_->Str(), "DATA"},
                           {kOtherDrive, other_->Str(), other_->Str(), "OTHER"}};
        drives_->currentFolder = tree_->Str();
        main_ = std::make_unique<ui::Main>(state_, *dialogs_, *drives_);
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    }
    void TearDownWindow() {
        if (kWindows) fs::remove(list_);
        main_.reset();
        drives_.reset();
        dialogs_.reset();
        other_.reset();
        tree_.reset();
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    template <class T>
    T* Find(const char* name) const {
        T* widget = main_->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }
    QPushButton* Command1() const { return Find<QPushButton>("Command1"); }
    QString Text(const char* label) const { return Find<QLabel>(label)->text(); }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    // A Start click: runs the whole listing before it returns.
    void Start() { QTest::mouseClick(Command1(), Qt::LeftButton); }
    QString ListText() const { return QString::fromStdString(ReadFile(list_)); }
    QString Folder(const std::string& rel) const {
        return QString::fromStdString((tree_->Path() / rel).make_preferred().string());
    }
    // A folder path as the lists write it, with the system's separator: "beta/Inner/".
    static QString Listed(const char* path) {
        return QString::fromLatin1(path).replace(QLatin1Char('/'),
                                                 QLatin1Char(platform::kPathSeparator));
    }
    QString Root() const { return QString::fromStdString(tree_->Str()); }
    // No progress window is left, neither known to the window nor anywhere else.
    bool ProgressGone() const {
        if (main_->StatusWindow() != nullptr) return false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("Status")) return false;
        }
        return true;
    }
    bool Idle() const {
        return Command1()->text() == QLatin1String("Start") &&
               QApplication::overrideCursor() == nullptr && ProgressGone();
    }
    void ExpectWellFormedTextList(const QString& text) const {
        QVERIFY2(text.startsWith(kTextHeader), qPrintable(text.left(200)));
        QVERIFY2(text.endsWith(kTextFooter), qPrintable(text.right(400)));
    }

    std::unique_ptr<TempDir> tree_;
    std::unique_ptr<TempDir> other_;
    fs::path list_;
    SharedState state_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<FakeDrives> drives_;
    std::unique_ptr<ui::Main> main_;
};

}  // namespace dirscribe::test
