#pragma once
// Keeps a form's window placement in the registry: a key named after the
// form, holding "SizeAndPosition" as four little-endian 32-bit integers (left,
// top, width, height of the window's outer frame). Restored when the form has
// loaded its components, before the window is first shown; stored when the
// window closes.

#include <memory>

#include "Form.h"
#include "RegistryKeys.h"

enum class TFormRestorerOption { frSizeAndPosition = 0, frSizeOnly = 1, frPositionOnly = 2 };

class TFormRestorer : public TCustomKey {
public:
    explicit TFormRestorer(TComponent* owner = nullptr);
    ~TFormRestorer() override;

    // With a parent key, the owner form's Name.
    std::string KeyName() const override;

    TFormRestorerOption Restoring() const { return restoring_; }
    void SetRestoring(TFormRestorerOption value) { restoring_ = value; }

    void RestorePlacement();
    void SavePlacement();

    static constexpr const char* ValueName = "SizeAndPosition";

protected:
    void Loaded() override;

private:
    TForm* OwnerForm() const;
    void FormClose(TComponent* sender, TCloseAction& action);

    TFormRestorerOption restoring_ = TFormRestorerOption::frSizeAndPosition;
    TCloseEvent previousClose_;
    // Shared with the close handler installed on the form, which may outlive
    // this restorer; cleared when the restorer goes.
    std::shared_ptr<TFormRestorer*> self_;
};
