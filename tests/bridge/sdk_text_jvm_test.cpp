// Texts from the SDK on the real JVM, carried through the bridge in the firmware version buffer:
// what Java receives, what HotSpot itself makes of the raw bytes, and what a Java service that
// knows the terminal's code page gets back.
#include "bridge_test.h"
#include "sdk_text_cases.h"

namespace bridgetest {
namespace {

class SdkTextTest : public BridgeTest {
  protected:
    // The Java string that the bridge makes of the bytes the SDK writes into the version buffer.
    jstring throughBridge(const std::string& written) {
        resetSimulator();
        sim_set_status(SIM_GET_FIRMWARE_VERSION, 0);
        sim_set_text(SIM_GET_FIRMWARE_VERSION, 0, written.data(), written.size());
        jobject result = api.firmwareVersion(handle(), kDevice);
        expectNoException();
        if (result == nullptr)
            return nullptr;
        return static_cast<jstring>(objectField(result, "version", "Ljava/lang/String;"));
    }

    // The UTF-16 code units of a Java string.
    std::u16string units(jstring text) {
        const jsize length = e->GetStringLength(text);
        std::u16string out(static_cast<std::size_t>(length), u'\0');
        e->GetStringRegion(text, 0, length, reinterpret_cast<jchar*>(out.data()));
        return out;
    }
};

// The bridge keeps every byte; HotSpot, handed the raw text, makes each stray byte the same
// character, but its length count skips stray continuation bytes, so that the text loses as many
// characters at its end.
TEST_F(SdkTextTest, JavaReceivesEveryByteWhereHotSpotLosesSome) {
    for (const auto& c : sdktext::cases()) {
        jstring version = throughBridge(c.field);
        ASSERT_NE(version, nullptr) << c.name;
        EXPECT_EQ(utf(version), c.expected) << c.name;
        if (c.hotspotMissing == sdktext::kHotSpotDecodesOtherwise)
            continue;
        const std::string raw = c.field.substr(0, c.field.find('\0'));
        jstring hotspot = e->NewStringUTF(raw.c_str());
        expectNoException();
        ASSERT_NE(hotspot, nullptr) << c.name;
        const std::u16string bridge = units(version);
        ASSERT_GE(bridge.size(), static_cast<std::size_t>(c.hotspotMissing)) << c.name;
        EXPECT_EQ(units(hotspot), bridge.substr(0, bridge.size() - c.hotspotMissing)) << c.name;
    }
}

// Every byte alone between two characters, handed raw to HotSpot and through the bridge.
TEST_F(SdkTextTest, EachStrayByteAsHotSpotMakesIt) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string text = {'<', static_cast<char>(b), '>'};
        jstring version = throughBridge(text + '\0');
        ASSERT_NE(version, nullptr) << b;
        const std::u16string bridge = units(version);
        EXPECT_EQ(bridge, (std::u16string{u'<', static_cast<char16_t>(b), u'>'})) << b;

        jstring hotspot = e->NewStringUTF(text.c_str());
        expectNoException();
        ASSERT_NE(hotspot, nullptr) << b;
        // A lead byte (0xC0 to 0xFF) alone: the same string. A continuation byte (0x80 to 0xBF)
        // alone: the same character, and the last one lost.
        const bool continuation = b < 0xC0;
        EXPECT_EQ(units(hotspot), continuation ? bridge.substr(0, 2) : bridge) << b;
    }
}

TEST_F(SdkTextTest, JavaRecoversAWindows1251TextByteForByte) {
    const std::string written = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";  // "Привет, мир"
    jstring version = throughBridge(written);
    ASSERT_NE(version, nullptr);

    jclass stringClass = e->FindClass("java/lang/String");
    jmethodID getBytes = e->GetMethodID(stringClass, "getBytes", "(Ljava/lang/String;)[B");
    jobject latin1 = e->CallObjectMethod(version, getBytes, e->NewStringUTF("ISO-8859-1"));
    expectNoException();
    EXPECT_EQ(bytesOf(bytes(latin1)), written);

    jmethodID decode = e->GetMethodID(stringClass, "<init>", "([BLjava/lang/String;)V");
    auto text = static_cast<jstring>(
        e->NewObject(stringClass, decode, latin1, e->NewStringUTF("windows-1251")));
    expectNoException();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(units(text), u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440");
}

}  // namespace
}  // namespace bridgetest
