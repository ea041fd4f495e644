#include "Profiles.h"
#include "ThrowawayRegistry.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

class VariantProfileTest : public ProgramKeysFixture {
protected:
    VariantProfileTest()
    {
        width = new TVariantProfile(&form);
        width->SetName("FractalWidth");
        width->SetKey(form1);
    }
    TBytes Stored() { return ValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "FractalWidth"); }
    TVariant Read()
    {
        TVariant v = "not read";
        width->ReadValue(v);
        return v;
    }

    TVariantProfile* width;
};

} // namespace

TEST_F(VariantProfileTest, StoresEachKindByteForByte)
{
    // First run: nothing stored.
    EXPECT_TRUE(Read().IsEmpty());
    EXPECT_FALSE(width->Exists());

    const std::vector<std::pair<TVariant, TBytes>> cases = {
        {TVariant(640), {0x03, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x02, 0, 0, 0, 0, 0, 0}},
        {TVariant(true), {0x0B, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {TVariant(false), {0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {TVariant(std::int16_t(-2)), {0x02, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0}},
        {TVariant(std::uint8_t(200)), {0x11, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 0}},
        {TVariant(1.5f), {0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0}},
        {TVariant(-2.0), {0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}},
        {TVariant::Currency(-10000), {0x06, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {TVariant::Date(2.0), {0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}},
        {TVariant("abc"), {0x00, 0x01, 0x61, 0x62, 0x63, 0x00}},
        {TVariant(""), {0x00, 0x01, 0x00}},
        {TVariant("caf\xe9"), {0x00, 0x01, 'c', 'a', 'f', 0xE9, 0x00}},
    };
    for (const auto& [value, bytes] : cases) {
        SCOPED_TRACE(value.VarType());
        width->WriteValue(value); // an existing value is replaced
        EXPECT_EQ(Stored(), bytes);
        EXPECT_EQ(Read(), value);
        EXPECT_TRUE(width->Exists());
    }
    EXPECT_EQ(Read().AsString(), "caf\xe9");
    width->WriteValue(TVariant(640));
    EXPECT_EQ(Read().AsInteger(), 640);
    EXPECT_EQ(Read().AsSmallint(), std::nullopt);
}

TEST_F(VariantProfileTest, DataTheWriterNeverProducesReadsAsEmpty)
{
    const std::vector<TBytes> odd = {
        {},
        {0x03, 0x00, 0x80, 0x02},                            // shorter than a record
        {0x08, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, // a type code outside the table
        {0x00, 0x40, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8},
        {0x00, 0x00, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, // empty itself
        {0x00, 0x01, 'a', 'b'},                              // text without its zero byte
        {0x00, 0x01},
    };
    for (const TBytes& data : odd) {
        SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "FractalWidth", data);
        EXPECT_TRUE(Read().IsEmpty()) << data.size();
    }
    // The reserved bytes and the unused part of the value field are not read.
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "FractalWidth",
               {0x03, 0, 9, 9, 9, 9, 9, 9, 0x80, 0x02, 0, 0, 9, 9, 9, 9, 9});
    EXPECT_EQ(Read(), TVariant(640));
}

TEST_F(VariantProfileTest, EveryFailureHasItsMessage)
{
    EXPECT_EQ(ErrorOf([&] { width->WriteValue(TVariant()); }), "Type is not supported by the VariantProfile");
    EXPECT_FALSE(width->Exists());

    EXPECT_EQ(ErrorOf([&] { width->Delete(); }), "Cannot delete value FractalWidth::Form1");
    width->WriteValue(TVariant(1));
    width->Delete();
    EXPECT_FALSE(width->Exists());

    EXPECT_EQ(ErrorOf([&] { width->WriteValue(TVariant(std::string(MaxValueSize, 'x'))); }),
              "Error writing value");
    width->WriteValue(TVariant(1));
    faulty.Failing = {"SetValue"};
    EXPECT_EQ(ErrorOf([&] { width->WriteValue(TVariant(2)); }), "Error writing value");
    faulty.Failing = {"QueryData"};
    EXPECT_EQ(ErrorOf([&] { Read(); }), "Error reading value");
    faulty.Failing = {"CreateKey"};
    delete app; // key errors pass through unchanged
    EXPECT_EQ(ErrorOf([&] { Read(); }), "Cannot open key Software\\!!!KeyHarbor-LostKey!!!\\Form1");
    faulty.Failing = {};

    // Without a key, or once its key is gone, every operation says so.
    delete form1;
    EXPECT_EQ(width->Key(), nullptr);
    TVariant v;
    EXPECT_EQ(ErrorOf([&] { width->ReadValue(v); }), "No key associated with the profile");
    EXPECT_EQ(ErrorOf([&] { width->WriteValue(TVariant(1)); }), "No key associated with the profile");
    EXPECT_EQ(ErrorOf([&] { width->Exists(); }), "No key associated with the profile");
    EXPECT_EQ(ErrorOf([&] { width->Delete(); }), "No key associated with the profile");
}
