// The UI classes drawn with Qt 6 Widgets.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdlib>

#include "backend.h"
#include "lamp_widget.h"
#include "vcl.h"

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

QColor ToQColor(TColor c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// "MS Sans Serif" 8 pt is not on Linux. Liberation Sans at the same 11-pixel
// character height, 8 % narrower, keeps every text inside the place the
// layout gives it (at full width the heading needs 227 of its 221 pixels).
QFont WindowFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setStretch(92);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int g_argc = 1;
char g_programName[] = "linkwart";
char* g_defaultArgv[] = {g_programName, nullptr};
char** g_argv = g_defaultArgv;
std::unique_ptr<QApplication> g_application;

QWidget& Parent(TForm& form);

}  // namespace

struct TControl::Native {
    std::unique_ptr<QWidget> widget;
};

struct TForm::Native {
    std::unique_ptr<QWidget> window;
};

struct TTimer::Native {
    QTimer timer;
};

namespace {
QWidget& Parent(TForm& form) {
    return *form.NativeForm().window;
}

template <class W>
W& As(const TControl& control) {
    return static_cast<W&>(*control.NativeControl().widget);
}

TControl::NativePtr Place(std::unique_ptr<QWidget> widget, const std::string& name, TRect bounds) {
    widget->setObjectName(ToQString(name));
    widget->setGeometry(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
    widget->show();
    return TControl::NativePtr(new TControl::Native{std::move(widget)});
}
}  // namespace

// ---- TControl ---------------------------------------------------------------

TControl::~TControl() = default;

void TControl::NativeDeleter::operator()(Native* native) const {
    delete native;
}

bool TControl::Visible() const {
    return !native_->widget->isHidden();
}

void TControl::SetVisible(bool visible) {
    native_->widget->setVisible(visible);
}

TRect TControl::BoundsRect() const {
    const QRect r = native_->widget->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

// ---- TLabel -----------------------------------------------------------------

TLabel::TLabel(TForm& owner, std::string name, TRect bounds, const std::string& caption)
    : TControl(name,
               Place(std::make_unique<QLabel>(ToQString(caption), &Parent(owner)), name, bounds)) {}

std::string TLabel::Caption() const {
    return As<QLabel>(*this).text().toStdString();
}

void TLabel::SetCaption(const std::string& caption) {
    QLabel& label = As<QLabel>(*this);
    label.setText(ToQString(caption));
    label.resize(TextWidth(), label.height());
}

void TLabel::SetFontStyle(TFontStyle style) {
    fontStyle_ = style;
    QLabel& label = As<QLabel>(*this);
    QFont font = label.font();
    font.setBold(style == TFontStyle::Bold);
    label.setFont(font);
}

void TLabel::SetFontColor(TColor color) {
    fontColor_ = color;
    QLabel& label = As<QLabel>(*this);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, ToQColor(color));
    label.setPalette(palette);
}

int TLabel::TextWidth() const {
    const QLabel& label = As<QLabel>(*this);
    return QFontMetrics(label.font()).horizontalAdvance(label.text());
}

// ---- TEdit ------------------------------------------------------------------

TEdit::TEdit(TForm& owner, std::string name, TRect bounds, int /*tabOrder*/)
    : TControl(name, Place(std::make_unique<QLineEdit>(&Parent(owner)), name, bounds)) {
    QLineEdit& edit = As<QLineEdit>(*this);
    QObject::connect(&edit, &QLineEdit::textChanged, [this] {
        TApplication::Dispatch([this] {
            if (OnChange) OnChange();
        });
    });
}

std::string TEdit::Text() const {
    return As<QLineEdit>(*this).text().toStdString();
}

void TEdit::SetText(const std::string& text) {
    As<QLineEdit>(*this).setText(ToQString(text));
}

bool TEdit::Focused() const {
    return As<QLineEdit>(*this).hasFocus();
}

// ---- TButton ----------------------------------------------------------------

TButton::TButton(TForm& owner, std::string name, TRect bounds, const std::string& caption,
                 int /*tabOrder*/)
    : TControl(name, Place(std::make_unique<QPushButton>(ToQString(caption), &Parent(owner)), name,
                           bounds)) {
    QPushButton& button = As<QPushButton>(*this);
    // Enter in the address box must not start a run.
    button.setAutoDefault(false);
    button.setDefault(false);
    QObject::connect(&button, &QPushButton::clicked, [this] {
        TApplication::Dispatch([this] {
            if (OnClick) OnClick();
        });
    });
}

std::string TButton::Caption() const {
    return As<QPushButton>(*this).text().toStdString();
}

bool TButton::IsDefault() const {
    const QPushButton& button = As<QPushButton>(*this);
    return button.isDefault() || button.autoDefault();
}

void TButton::Click() {
    As<QPushButton>(*this).click();
}

// ---- TTimer -----------------------------------------------------------------

TTimer::TTimer() : native_(std::make_unique<Native>()) {
    native_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&native_->timer, &QTimer::timeout, [this] {
        TApplication::Dispatch([this] {
            if (OnTimer) OnTimer();
        });
    });
    Restart();
}

TTimer::~TTimer() = default;

void TTimer::Restart() {
    native_->timer.stop();
    if (enabled_ && interval_ > 0) native_->timer.start(static_cast<int>(interval_));
}

// ---- Lamp -------------------------------------------------------------------

TControl::NativePtr backend::CreateLamp(TForm& owner, const std::string& name, TRect bounds) {
    return Place(std::make_unique<LampWidget>(&Parent(owner)), name, bounds);
}

void backend::PaintLampNow(TControl::Native& lamp, TColor color) {
    auto& widget = static_cast<LampWidget&>(*lamp.widget);
    widget.SetColor(ToQColor(color));
    // repaint(), not update(): the run keeps the loop busy, the lamp must show now.
    widget.repaint();
}

// ---- TForm ------------------------------------------------------------------

TForm::TForm(std::string name, const std::string& caption, int clientWidth, int clientHeight)
    : native_(std::make_unique<Native>()) {
    auto window = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                     Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setObjectName(ToQString(name));
    window->setWindowTitle(ToQString(caption));
    window->setFixedSize(clientWidth, clientHeight);
    window->setFont(WindowFont());
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setWindowIcon(QIcon(QStringLiteral(":/linkwart/linkwart.png")));
    native_->window = std::move(window);
}

TForm::~TForm() = default;

std::string TForm::Caption() const {
    return native_->window->windowTitle().toStdString();
}
int TForm::ClientWidth() const {
    return native_->window->width();
}
int TForm::ClientHeight() const {
    return native_->window->height();
}

bool TForm::Resizable() const {
    return native_->window->minimumSize() != native_->window->maximumSize();
}
bool TForm::HasMaximizeButton() const {
    return native_->window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
}
bool TForm::HasMinimizeButton() const {
    return native_->window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint);
}

void TForm::Show() {
    QWidget& window = *native_->window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - window.rect().center());
    }
    window.show();
}

// ---- TApplication -----------------------------------------------------------

void SetCommandLine(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
}

void TApplication::Initialize() {
    if (QCoreApplication::instance() == nullptr) {
        g_application = std::make_unique<QApplication>(g_argc, g_argv);
        // The window and the application object must go before Qt's own
        // statics do, also when Run() never comes (tests).
        std::atexit([] {
            TApplication::Instance().SetMainForm(nullptr);
            g_application.reset();
        });
    }
    QApplication::setFont(WindowFont());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/linkwart/linkwart.png")));
}

int TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    const int exitCode = QApplication::exec();
    mainForm_.reset();
    g_application.reset();
    return exitCode;
}

void backend::ShowErrorBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, ToQString(title), ToQString(text), QMessageBox::Ok,
                    TApplication::Instance().MainForm()
                        ? TApplication::Instance().MainForm()->NativeForm().window.get()
                        : nullptr);
    box.setObjectName(QStringLiteral("LinkwartErrorBox"));
    box.exec();
}
