// SPDX-License-Identifier: MIT
// frmSplash: fixed labels in a frame, three of them filled from the application identity
// record each time the window opens.
#include "ui/frmSplash.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "engine/AppIdentity.h"
#include "ui/Artwork.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

namespace dirscribe::ui {

namespace {

QFont Arial(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Property of the labels that size themselves: the edge they keep, in pixels.
constexpr const char* kKeptEdge = "keptEdge";

}  // namespace

frmSplash::frmSplash(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmSplash"));
    // The title bar has no text. Qt fills an empty title with the program's name, so the title
    // is a space.
    setWindowTitle(QStringLiteral(" "));
    setWindowIcon(AppIcon());
    KeepFrame(this, FrameKind::Dialog);
    setModal(true);
    const Twips dpi = Twips::Of(*this);
    setFixedSize(dpi.X(7200), dpi.Y(4260));

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(dpi.Rect(60, 0, 7080, 4185));

    auto* logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(DrawLogo());
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    logo->setGeometry(dpi.Rect(180, 480, 1290, 1260));

    // A label at its place; `fit` for those that size themselves to their text.
    const auto label = [&](const char* name, QRect box, const QString& text, const QFont* font,
                           Qt::Alignment align, bool fit) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(align | Qt::AlignTop);
        if (font != nullptr) l->setFont(*font);
        l->setGeometry(box);
        if (fit) {
            l->setProperty(kKeptEdge, (align & Qt::AlignRight) ? box.right() : box.left());
            FitToText(l);
        }
        return l;
    };
    const QFont big = Arial(15.75, true);
    const QFont medium = Arial(12, true);
    const QFont small = Arial(8.25, false);
    const QString vendor = QString::fromUtf8(kApp.vendor);
    label("lblCompanyProduct", dpi.Rect(1560, 480, 4830, 360), vendor, &big, Qt::AlignLeft, true);
    lblProductName_ = label("lblProductName", dpi.Rect(1560, 960, 4230, 495),
                            QStringLiteral("Product"), &big, Qt::AlignLeft, true);
    AppDesc_ = label("AppDesc", dpi.Rect(1560, 1380, 915, 285), QStringLiteral("Product"), &medium,
                     Qt::AlignLeft, true);
    label("lblPlatform", dpi.Rect(2010, 2340, 4830, 360),
          QStringLiteral("Windows 9x, NT, 2000, XP, Vista"), &big, Qt::AlignRight, true);
    lblVersion_ = label("lblVersion", dpi.Rect(5970, 2700, 885, 285), QStringLiteral("Version"),
                        &medium, Qt::AlignRight, true);
    label("lblCopyright", dpi.Rect(4515, 3045, 2415, 255),
          QStringLiteral("Copyright \u00a9 Quillmere"), &small, Qt::AlignLeft, false);
    label("lblCompany", dpi.Rect(4515, 3255, 2415, 255), vendor, &small, Qt::AlignLeft, false);
    label("Author", dpi.Rect(120, 3420, 3375, 195), QStringLiteral("Written by the Dirscribe team"),
          nullptr, Qt::AlignLeft, false);
    // The mail address and the site's host name, as the window has always shown them.
    const QString host = QUrl(QString::fromUtf8(kApp.homepage)).host();
    label("lblWarning", dpi.Rect(120, 3660, 6855, 195),
          QString::fromUtf8(kApp.email) + QStringLiteral("    ") + host, &small, Qt::AlignLeft,
          false);

    auto* close = new QPushButton(QStringLiteral("&Close"), frame);
    close->setObjectName(QStringLiteral("Command1"));
    close->setGeometry(dpi.Rect(6240, 3660, 675, 315));
    close->setDefault(true);
    close->setAutoDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    label("Label1", dpi.Rect(120, 3900, 6855, 195),
          QStringLiteral("Quillmere Software, 1 Example Lane, Quillmere    Tel. 000 0000 0000"),
          &small, Qt::AlignLeft, false);

    // Close holds the focus, as nothing else here can take it: Enter presses it (it is the
    // default), and Escape or the title bar's close button end the dialog as well.
    close->setFocus();
    Form_Load();
}

void frmSplash::Form_Load() {
    lblVersion_->setText(QStringLiteral("Version ") + QString::fromStdString(kApp.VersionText()));
    FitToText(lblVersion_);
    lblProductName_->setText(QString::fromUtf8(kApp.title));
    FitToText(lblProductName_);
    AppDesc_->setText(QString::fromUtf8(kApp.description));
    FitToText(AppDesc_);
}

void frmSplash::FitToText(QLabel* label) {
    const int edge = label->property(kKeptEdge).toInt();
    const QSize size = label->sizeHint();
    if (label->alignment() & Qt::AlignRight)
        label->setGeometry(edge - size.width() + 1, label->y(), size.width(), size.height());
    else
        label->setGeometry(edge, label->y(), size.width(), size.height());
}

}  // namespace dirscribe::ui
