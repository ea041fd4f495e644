#include "AboutDialog.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QStorageInfo>

#include <memory>
#include <vector>

#include "AboutBox.h"
#include "Form.h"
#include "Format.h"
#include "Messages.h"
#include "RegistryKeys.h"
#include "WindowFrame.h"

namespace {

constexpr const char* NtKey = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* WindowsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* VersionFormat = "Version: %s";
constexpr const char* BuildFormat = "Build: %s";
constexpr const char* FreeSpaceFormat = "%d MB (%s)";

// A machine key opened for reading, closed when it goes.
class TOpenKey {
public:
    TOpenKey(TRegistryApi& registry, std::string path) : registry_(registry)
    {
        // The registry takes paths below a root without the leading backslash.
        if (!path.empty() && path.front() == '\\') path.erase(0, 1);
        if (registry_.OpenKey(hkLocalMachine, path, &key_) != regSuccess) key_ = 0;
    }
    ~TOpenKey()
    {
        if (key_) registry_.CloseKey(key_);
    }
    TOpenKey(const TOpenKey&) = delete;
    TOpenKey& operator=(const TOpenKey&) = delete;

    bool IsOpen() const { return key_ != 0; }
    QString Text(const std::string& name) const { return QString::fromLocal8Bit(ReadText(registry_, key_, name)); }

private:
    TRegistryApi& registry_;
    TRegKey key_ = 0;
};

QString Formatted(const char* format, const QString& value)
{
    return QString::fromStdString(Format(format, {value.toStdString()}));
}

} // namespace

std::string ReadText(TRegistryApi& registry, TRegKey key, const std::string& name)
{
    std::uint32_t type = rtNone, size = 0;
    if (registry.QueryValue(key, name, &type, nullptr, &size) != regSuccess) return {};
    if (type != rtString && type != rtExpandString) throw ERegistryError(Format(msg::InvalidDataType, {name}));
    std::vector<std::uint8_t> data(size);
    if (size && registry.QueryValue(key, name, &type, data.data(), &size) != regSuccess) return {};
    // The text ends at its first zero, however long the value is.
    std::string text(data.begin(), data.begin() + std::min<std::size_t>(size, data.size()));
    return text.substr(0, text.find('\0'));
}

void ReadSystemFacts(TAboutBox& box, TRegistryApi& registry)
{
    {
        const TOpenKey nt(registry, NtKey);
        if (nt.IsOpen()) {
            const QString product = nt.Text("ProductName");
            if (!product.isEmpty()) {
                box.WinType->setText(product);
                box.WinVersion->setText(Formatted(VersionFormat, nt.Text("CurrentVersion")));
                box.PlusVersion->setText(Formatted(BuildFormat, nt.Text("CurrentBuildNumber")));
                box.UserName->setText(nt.Text("RegisteredOwner"));
                box.CompanyName->setText(nt.Text("RegisteredOrganization"));
                return;
            }
        }
    }
    const TOpenKey windows(registry, WindowsKey);
    if (!windows.IsOpen()) return;
    box.WinType->setText(windows.Text("Version"));
    box.WinVersion->setText(windows.Text("VersionNumber"));
    box.PlusVersion->setText(windows.Text("Plus! VersionNumber"));
    box.UserName->setText(windows.Text("RegisteredOwner"));
    box.CompanyName->setText(windows.Text("RegisteredOrganization"));
}

TDiskSpace CurrentDiskSpace()
{
    const QString directory = QDir::currentPath();
    return {directory.toStdString(), QStorageInfo(directory).bytesAvailable()};
}

std::string FreeSpaceText(const TDiskSpace& space)
{
    // Decimal megabytes, truncated; an unknown size (-1) shows as 0.
    const std::int64_t megabytes = space.BytesAvailable / 1000000;
    const QString directory = QString::fromStdString(space.Directory);
    return Format(FreeSpaceFormat, {megabytes, directory.left(1).toStdString()});
}

TAboutDialog::TAboutDialog(TComponent* owner) : TComponent(owner), diskSpace_(CurrentDiskSpace)
{
}

bool TAboutDialog::Execute()
{
    auto* form = dynamic_cast<TForm*>(Owner());
    QWidget* window = form ? form->Window() : nullptr;
    const auto box = std::make_unique<TAboutBox>(window);

    const QString product = QString::fromStdString(productName_);
    box->setWindowTitle(product);
    box->ProductName->setText(product);
    box->Version->setText(QString::fromStdString(version_));
    box->Copyright->setText(QString::fromStdString(copyright_));
    box->Comments->setText(QString::fromStdString(comments_));
    box->DiskFreeSpaceLabel->setText(QStringLiteral("Disk free space: "));
    box->CompanyLabel->setText(QStringLiteral("Company: "));
    box->UserLabel->setText(QStringLiteral("User: "));
    for (QLabel* label : {box->DiskFreeSpaceLabel, box->CompanyLabel, box->UserLabel}) label->adjustSize();

    ReadSystemFacts(*box, MachineRegistry());
    box->FreeDisk->setText(QString::fromStdString(FreeSpaceText(diskSpace_())));
    // The program's icon, as the application carries it.
    box->ProgramIcon->setPixmap(QGuiApplication::windowIcon().pixmap(QSize(32, 32), box->devicePixelRatio()));

    // Centred on the screen the program's window is on.
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    CentreFrame(box.get(), screen);

    return box->exec() == QDialog::Accepted;
}
