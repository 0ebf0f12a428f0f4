#include "fileproc/offsetbox.h"

#include "ui/named.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

namespace kbx {

namespace {

QToolButton *smallButton(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// Hidden, the file-type button keeps its place, so the box does not jump when it comes and goes.
void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

TOffsetBox::TOffsetBox(QWidget *parent)
    : QGroupBox(QStringLiteral("Offsets"), parent)
{
    setObjectName(QStringLiteral("fp_OffsetBox"));
    setContextMenuPolicy(Qt::CustomContextMenu);

    auto field = [this](const char *name, const char *hint) {
        auto *edit = named(new QLineEdit(QStringLiteral("0"), this), name);
        edit->setToolTip(QString::fromLatin1(hint));
        // Room for any 64-bit size: ten characters would cut off sizes from 10 GB up.
        edit->setMaxLength(19);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")));
        edit->setAlignment(Qt::AlignRight);
        return edit;
    };
    offStart = field("offStart", "starting offset");
    offLength = field("offLength", "part length inside input file or for splitting");
    offLength->setText(QStringLiteral("1"));
    offEnd = field("offEnd", "ending offset");
    offEnd->setReadOnly(true);
    QPalette greyed = offEnd->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    offEnd->setPalette(greyed);

    auto slider = [this](const char *name, int page) {
        auto *track = named(new QSlider(Qt::Horizontal, this), name);
        track->setRange(0, 100);
        track->setPageStep(page);
        return track;
    };
    offStartTrack = slider("offStartTrack", 20);
    offLengthTrack = slider("offLengthTrack", 10);

    const QString multiplyHint =
        QStringLiteral("multiply entered byte value by current alignment setting, e.g. convert to MegaByte");
    auto steps = [&](QToolButton *&dec1, QToolButton *&inc1, QToolButton *&dec2, QToolButton *&inc2,
                     QToolButton *&dec3, QToolButton *&inc3, QToolButton *&mx, const char *prefixInc,
                     const char *prefixDec, const char *mxName) {
        auto make = [&](const char *prefix, int pair, const QString &caption) {
            const QByteArray name = QByteArray(prefix) + QByteArray::number(pair);
            auto *button = smallButton(this, name.constData(), caption, QString());
            button->setFixedSize(32, 22);
            return button;
        };
        dec1 = make(prefixDec, 1, QStringLiteral("\u2212\u2212\u2212"));
        inc1 = make(prefixInc, 1, QStringLiteral("+++"));
        dec2 = make(prefixDec, 2, QStringLiteral("\u2212\u2212"));
        inc2 = make(prefixInc, 2, QStringLiteral("++"));
        dec3 = make(prefixDec, 3, QStringLiteral("\u2212"));
        inc3 = make(prefixInc, 3, QStringLiteral("+"));
        mx = smallButton(this, mxName, QStringLiteral("\u00d7"), multiplyHint);
        mx->setFixedSize(28, 22);
        auto *holder = new QWidget(this);
        auto *row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(1);
        for (QToolButton *b : {dec1, inc1, dec2, inc2, dec3, inc3})
            row->addWidget(b);
        row->addSpacing(4);
        row->addWidget(mx);
        row->addStretch(1);
        return holder;
    };
    QWidget *startButtons = steps(decStart1, incStart1, decStart2, incStart2, decStart3, incStart3, mxStart,
                                  "incStart", "decStart", "mxStart");
    QWidget *lengthButtons =
        steps(decLen1, incLen1, decLen2, incLen2, decLen3, incLen3, mxLength, "incLen", "decLen", "mxLength");
    for (QToolButton *b : {incStart1, incStart2, incStart3, incLen1, incLen2, incLen3})
        b->setToolTip(QStringLiteral("increase"));
    for (QToolButton *b : {decStart1, decStart2, decStart3, decLen1, decLen2, decLen3})
        b->setToolTip(QStringLiteral("decrease"));

    // Sliders and step buttons take turns in the same place (the "Offset selection" choice).
    auto *startStack = named(new QStackedWidget(this), "offStartStack");
    startStack->addWidget(offStartTrack);
    startStack->addWidget(startButtons);
    auto *lengthStack = named(new QStackedWidget(this), "offLengthStack");
    lengthStack->addWidget(offLengthTrack);
    lengthStack->addWidget(lengthButtons);

    offMode = named(new QComboBox(this), "offMode");
    offMode->addItems({QStringLiteral("B"), QStringLiteral("KB"), QStringLiteral("MB")});
    offMode->setToolTip(QStringLiteral("alignment mode"));
    alignBtn = named(new QPushButton(QStringLiteral("align"), this), "alignBtn");
    alignBtn->setToolTip(
        QStringLiteral("round offsets to a given alignment, e.g. 5.23 MB will become 5 MB if alignment is set to MB"));
    vobAdjust = named(new QToolButton(this), "vobAdjust");
    vobAdjust->setCheckable(true);
    vobAdjust->setText(QStringLiteral("???"));
    vobAdjust->setMinimumWidth(44);
    vobAdjust->setToolTip(
        QStringLiteral("scan .vob file for IDs and set DVD alignment mode, you still have to align manually!"));
    vobAdjust->hide();
    keepPlaceWhenHidden(vobAdjust);

    pm_Parts = named(new QMenu(this), "pm_Parts");
    pm_Parts->addAction(QStringLiteral("1 part"))->setObjectName(QStringLiteral("pm_Parts1"));
    for (int n = 2; n <= 9; ++n)
        pm_Parts->addAction(QStringLiteral("%1 parts").arg(n))->setObjectName(QStringLiteral("pm_Parts%1").arg(n));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(QStringLiteral("start"), this), 0, 0);
    grid->addWidget(offStart, 0, 1);
    grid->addWidget(startStack, 0, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("length"), this), 1, 0);
    grid->addWidget(offLength, 1, 1);
    grid->addWidget(lengthStack, 1, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("end"), this), 2, 0);
    grid->addWidget(offEnd, 2, 1);
    grid->addWidget(offMode, 2, 2);
    grid->addWidget(alignBtn, 2, 3);
    grid->addWidget(vobAdjust, 2, 4, Qt::AlignLeft);
    grid->setColumnStretch(4, 1);
}

void TOffsetBox::WriteField(QLineEdit *field, qint64 value)
{
    const QString text = QString::number(value);
    if (field->text() != text)
        field->setText(text);
}

void TOffsetBox::SetSliderQuietly(QSlider *slider, int position)
{
    m_settingSlider = true;
    slider->setValue(position);
    m_settingSlider = false;
}

void TOffsetBox::ResetToZero()
{
    for (QLineEdit *field : {offStart, offLength, offEnd}) {
        const QSignalBlocker quiet(field);
        field->setText(QStringLiteral("0"));
    }
    SetSliderQuietly(offStartTrack, 0);
    SetSliderQuietly(offLengthTrack, 0);
}

void TOffsetBox::SetControlsEnabled(bool start, bool length, bool end)
{
    for (QWidget *w : std::initializer_list<QWidget *>{offStart, incStart1, incStart2, incStart3, decStart1,
                                                       decStart2, decStart3, mxStart, offStartTrack})
        w->setEnabled(start);
    for (QWidget *w : std::initializer_list<QWidget *>{offLength, incLen1, incLen2, incLen3, decLen1, decLen2,
                                                       decLen3, mxLength, offLengthTrack})
        w->setEnabled(length);
    offEnd->setEnabled(end);
}

void TOffsetBox::ShowSliders(bool sliders)
{
    for (QStackedWidget *stack : findChildren<QStackedWidget *>())
        stack->setCurrentIndex(sliders ? 0 : 1);
}

} // namespace kbx
