#include "PictureFormats.h"

#include <algorithm>
#include <cctype>

#include "Exceptions.h"
#include "Streams.h"

namespace {

std::vector<TPictureFormat>& Table()
{
    static std::vector<TPictureFormat> table;
    return table;
}

std::string UpperExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    std::string upper(extension);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string_view ExtensionOf(std::string_view fileName)
{
    std::string_view extension = ExtractFileExt(fileName);
    if (!extension.empty()) extension.remove_prefix(1);
    return extension;
}

} // namespace

std::string_view ExtractFileExt(std::string_view fileName)
{
#ifdef _WIN32
    constexpr std::string_view delimiters = "/\\:";
#else
    constexpr std::string_view delimiters = "/";
#endif
    for (size_t i = fileName.size(); i-- > 0;) {
        if (fileName[i] == '.') return fileName.substr(i);
        if (delimiters.find(fileName[i]) != std::string_view::npos) break;
    }
    return {};
}

bool SameExtension(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

void RegisterPictureFormat(std::string_view extension, std::string_view description, TImageFactory create)
{
    std::string key = UpperExtension(extension);
    auto& table = Table();
    std::erase_if(table, [&](const TPictureFormat& f) { return f.Extension == key; });
    table.push_back({key, std::string(description), create});
}

void UnregisterPictureFormat(TImageFactory create)
{
    std::erase_if(Table(), [&](const TPictureFormat& f) { return f.Create == create; });
}

const TPictureFormat* FindPictureFormat(std::string_view extension)
{
    std::string key = UpperExtension(extension);
    if (key.empty()) return nullptr;
    for (const TPictureFormat& f : Table())
        if (f.Extension == key) return &f;
    return nullptr;
}

const TPictureFormat* FindPictureFormatForFile(std::string_view fileName)
{
    return FindPictureFormat(ExtensionOf(fileName));
}

const TPictureFormat& PictureFormatForFile(std::string_view fileName)
{
    const TPictureFormat* format = FindPictureFormatForFile(fileName);
    if (!format)
        throw Exception("Unknown picture file extension (." + std::string(ExtensionOf(fileName)) + ")");
    return *format;
}

std::vector<TPictureFormat> PictureFormats() { return Table(); }

std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName)
{
    std::unique_ptr<TBitmap> image = PictureFormatForFile(fileName).Create();
    image->LoadFromFile(fileName);
    return image;
}

TPictureSize LoadPictureSize(const std::string& fileName)
{
    const std::unique_ptr<TBitmap> image = PictureFormatForFile(fileName).Create();
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    return image->ReadSizeFromStream(stream);
}
