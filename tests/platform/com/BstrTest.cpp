#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t bytePrefix(BSTR text) {
    uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(text) - sizeof(length), sizeof(length));
    return length;
}

TEST(BstrTest, AllocStringStoresByteLengthBeforeTextAndTerminates) {
    BSTR text = SysAllocString(u"Pelmora");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 7u);
    EXPECT_EQ(bytePrefix(text), 14u);
    EXPECT_EQ(std::u16string(text), u"Pelmora");
    EXPECT_EQ(text[7], u'\0');
    SysFreeString(text);
}

TEST(BstrTest, EmptyStringIsAllocatedAndTerminated) {
    BSTR text = SysAllocString(u"");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 0u);
    EXPECT_EQ(bytePrefix(text), 0u);
    EXPECT_EQ(text[0], u'\0');
    SysFreeString(text);
}

TEST(BstrTest, NullInputsAreHarmless) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(BstrTest, AllocStringLenKeepsEmbeddedZeros) {
    const OLECHAR source[] = {u'a', u'b', 0, u'c', u'd'};
    BSTR text = SysAllocStringLen(source, 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 5u);
    EXPECT_EQ(std::u16string(text, 5), std::u16string(source, 5));
    EXPECT_EQ(text[5], u'\0');
    SysFreeString(text);

    // A zero-terminated copy stops at the first zero.
    BSTR stopped = SysAllocString(source);
    EXPECT_EQ(SysStringLen(stopped), 2u);
    SysFreeString(stopped);
}

TEST(BstrTest, AllocStringLenWithoutSourceGivesZeroedCharacters) {
    BSTR text = SysAllocStringLen(nullptr, 6);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 6u);
    for (UINT i = 0; i <= 6; ++i) EXPECT_EQ(text[i], u'\0') << "character " << i;
    SysFreeString(text);
}

TEST(BstrTest, LengthBeyondThePrefixFieldIsRefused) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

}  // namespace
