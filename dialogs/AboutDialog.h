#pragma once
// About: the about dialog, a non-visual component holding the product's texts.
// Execute builds the about box (AboutBox.h), fills it with these texts and
// with facts about the computer read at that moment, shows it modally and
// frees it.

#include <cstdint>
#include <functional>
#include <string>

#include "Component.h"
#include "Registry.h"

class TAboutBox;

// The current directory and the bytes free on its drive (-1: unknown).
struct TDiskSpace {
    std::string Directory;
    std::int64_t BytesAvailable = -1;
};
using TDiskSpaceSource = std::function<TDiskSpace()>;
// The program's current directory and its drive's free space.
TDiskSpace CurrentDiskSpace();

class TAboutDialog : public TComponent {
public:
    // The box belongs to the owner's window when the owner is a form.
    explicit TAboutDialog(TComponent* owner = nullptr);

    const std::string& ProductName() const { return productName_; }
    void SetProductName(std::string value) { productName_ = std::move(value); }
    const std::string& Version() const { return version_; }
    void SetVersion(std::string value) { version_ = std::move(value); }
    const std::string& Copyright() const { return copyright_; }
    void SetCopyright(std::string value) { copyright_ = std::move(value); }
    const std::string& Comments() const { return comments_; }
    void SetComments(std::string value) { comments_ = std::move(value); }
    // Where the free space shown comes from; CurrentDiskSpace unless told otherwise.
    void SetDiskSpaceSource(TDiskSpaceSource source) { diskSpace_ = std::move(source); }

    // True when the user closed the box with OK. A registry value of the
    // wrong type raises ERegistryError; the box is freed in every case.
    bool Execute();

private:
    std::string productName_;
    std::string version_;
    std::string copyright_;
    std::string comments_;
    TDiskSpaceSource diskSpace_;
};

// Fills the five system labels from the machine-wide registry: the Windows
// NT key when it names a product, else the older Windows key; neither, and
// they stay empty.
void ReadSystemFacts(TAboutBox& box, TRegistryApi& registry);

// A text value of the registry; empty when absent. A value of another type
// raises ERegistryError "Invalid data type for '<name>'".
std::string ReadText(TRegistryApi& registry, TRegKey key, const std::string& name);


// "<decimal megabytes> MB (<first character of the directory>)".
std::string FreeSpaceText(const TDiskSpace& space);
