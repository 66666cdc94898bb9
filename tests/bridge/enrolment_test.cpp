// Writing and removing users.
#include "bridge_test.h"

namespace bridgetest {
namespace {

class EnrolmentTest : public BridgeTest {
  protected:
    jobject user(jint templateCount, jstring name = nullptr, jstring surname = nullptr) {
        return api.make("DSDKUserData", "(IIILjava/lang/String;Ljava/lang/String;III)V", 1001,
                        0xCAFE, 4321, name, surname, 3, templateCount, 7);
    }
    jobject bioTemplate(jint finger, const Bytes& data) {
        return api.make("DSDKBioTemplate", "(III[B)V", finger, 9, 100 + finger, newBytes(data));
    }
    jobjectArray templates(std::vector<jobject> items) {
        jobjectArray array = e->NewObjectArray(static_cast<jsize>(items.size()),
                                               api.nested("DSDKBioTemplate"), nullptr);
        for (std::size_t i = 0; i < items.size(); ++i)
            e->SetObjectArrayElement(array, static_cast<jsize>(i), items[i]);
        return array;
    }
    dsdk_user sentUser() {
        dsdk_user u;
        const Bytes b = blob(SIM_ADD_USER, 0);
        EXPECT_EQ(b.size(), sizeof u);
        std::memcpy(&u, b.data(), sizeof u);
        return u;
    }
};

TEST_F(EnrolmentTest, UserFieldsReachTheirOffsets) {
    jobjectArray none = templates({});
    EXPECT_EQ(api.addUser(handle(), kDevice, user(0, e->NewStringUTF("Ada"), nullptr), none), 0);
    const dsdk_user u = sentUser();
    EXPECT_EQ(u.uid, 1001);
    EXPECT_EQ(u.card, 0xCAFE);
    EXPECT_EQ(u.pin, 4321);
    EXPECT_EQ(u.schedule, 3);
    EXPECT_EQ(u.template_count, 0);
    EXPECT_EQ(u.locked, 7) << "passed through, not reduced to 0 or 1";
    EXPECT_EQ(std::string(u.name, 4), std::string("Ada\0", 4));
    EXPECT_EQ(std::string(u.surname, sizeof u.surname), std::string(64, '\0'))
        << "a null surname is an empty text";
    EXPECT_EQ(sim_last_arg(SIM_ADD_USER, 3), 0) << "template count argument";
    EXPECT_EQ(sim_last_arg(SIM_ADD_USER, 5), 0);
    EXPECT_EQ(sim_last_arg(SIM_ADD_USER, 6), 0);
}

TEST_F(EnrolmentTest, NamesAreCutAtSixtyFourBytes) {
    const std::u16string cyrillic40(40, u'\u0416');  // two bytes each
    const struct {
        const char* name;
        std::u16string text;
        std::string field;  // the first bytes of the 64-byte field
    } cases[] = {
        {"ten letters", u"Abcdefghij", std::string("Abcdefghij\0", 11)},
        {"exactly 64", std::u16string(64, u'x'), std::string(64, 'x')},
        {"70 cut to 64", std::u16string(70, u'y'), std::string(64, 'y')},
        {"40 Cyrillic keep 32", cyrillic40,
         [] {
             std::string s;
             for (int i = 0; i < 32; ++i)
                 s += "\xD0\x96";
             return s;
         }()},
        {"ASCII then 40 Cyrillic: a cut letter", u"A" + cyrillic40,
         [] {
             std::string s = "A";
             for (int i = 0; i < 31; ++i)
                 s += "\xD0\x96";
             return s + "\xD0";
         }()},
        {"U+0000 as C0 80", std::u16string(u"a") + u'\0' + u"b",
         std::string("a\xC0\x80"
                     "b\0",
                     5)},
    };
    for (const auto& c : cases) {
        jstring text = newString(c.text);
        ASSERT_EQ(api.addUser(handle(), kDevice, user(0, text, text), nullptr), 0) << c.name;
        const dsdk_user u = sentUser();
        EXPECT_EQ(std::string(u.name, c.field.size()), c.field) << c.name;
        EXPECT_EQ(std::string(u.surname, c.field.size()), c.field) << c.name;
    }
}

TEST_F(EnrolmentTest, TemplatesComeFromTheUsersCount) {
    jobjectArray five = templates({bioTemplate(1, {0x10, 0x11}), bioTemplate(2, {}),
                                   bioTemplate(3, {1}), bioTemplate(4, {1}), bioTemplate(5, {1})});
    EXPECT_EQ(api.addUser(handle(), kDevice, user(2), five), 0);
    EXPECT_EQ(sim_last_arg(SIM_ADD_USER, 3), 2);
    const Bytes records = blob(SIM_ADD_USER, 1);
    ASSERT_EQ(records.size(), 2 * sizeof(dsdk_template));
    dsdk_template t[2];
    std::memcpy(t, records.data(), sizeof t);
    EXPECT_EQ(t[0].finger_id, 1);
    EXPECT_EQ(t[0].format, 9);
    EXPECT_EQ(t[0].id, 101);
    EXPECT_EQ(t[0].data_size, 2);
    EXPECT_EQ(t[1].finger_id, 2);
    EXPECT_EQ(t[1].data_size, 0);
    EXPECT_NE(t[1].data, nullptr) << "a zero-length buffer of its own";
    EXPECT_EQ(blob(SIM_ADD_USER, 2), (Bytes{0x10, 0x11}));
    EXPECT_EQ(blob(SIM_ADD_USER, 3), Bytes{});
    EXPECT_FALSE(hasBlob(SIM_ADD_USER, 4)) << "only two templates sent";
}

TEST_F(EnrolmentTest, CountZeroDoesNotTouchTheTemplates) {
    EXPECT_EQ(api.addUser(handle(), kDevice, user(0), nullptr), 0);
    expectNoException();
    EXPECT_EQ(calls(SIM_ADD_USER), 1);
    EXPECT_EQ(sim_last_arg(SIM_ADD_USER, 3), 0);
    EXPECT_NE(sim_last_arg(SIM_ADD_USER, 4), 0) << "an empty array, not a null pointer";
}

TEST_F(EnrolmentTest, StatusIsReturnedUnchanged) {
    for (const std::int32_t status : {-1, 42}) {
        sim_set_status(SIM_ADD_USER, status);
        EXPECT_EQ(api.addUser(handle(), kDevice, user(0), nullptr), status);
        sim_set_status(SIM_REMOVE_USER, status);
        EXPECT_EQ(api.removeUser(handle(), kDevice, user(0)), status);
    }
}

TEST_F(EnrolmentTest, BrokenRequestsAreRefusedBeforeTheSdk) {
    jobjectArray two = templates({bioTemplate(1, {1}), bioTemplate(2, {2})});
    jobjectArray withNull = templates({bioTemplate(1, {1}), nullptr});
    jobject noData = api.make("DSDKBioTemplate", "(III[B)V", 1, 1, 1, nullptr);
    const struct {
        const char* name;
        jobject user;
        jobject templates;
        const char* exception;
        std::string message;
    } cases[] = {
        {"null user", nullptr, two, "java.lang.NullPointerException",
         "dsdk_add_user: user is null"},
        {"negative count", user(-1), two, "java.lang.IllegalArgumentException",
         "dsdk_add_user: template_count -1 is outside 0 to 89478485"},
        {"count above the bound", user(89478486), two, "java.lang.IllegalArgumentException",
         "dsdk_add_user: template_count 89478486 is outside 0 to 89478485"},
        {"count above the array", user(3), two, "java.lang.IllegalArgumentException",
         "dsdk_add_user: template_count 3 exceeds the 2 templates given"},
        {"null array", user(1), nullptr, "java.lang.NullPointerException",
         "dsdk_add_user: templates is null"},
        {"null element", user(2), withNull, "java.lang.NullPointerException",
         "dsdk_add_user: template 1 is null"},
        {"null data", user(1), templates({noData}), "java.lang.NullPointerException",
         "dsdk_add_user: the data of template 0 is null"},
    };
    for (const auto& c : cases) {
        // Java sees the exception; the method itself returns the bridge's refusal status.
        EXPECT_EQ(api.addUser(handle(), kDevice, c.user, c.templates), 0) << c.name;
        expectThrown(c.exception, c.message);
        EXPECT_EQ(
            callIntExport(EXPORT_NAME("dsdk_1add_1user"), handle(), kDevice, c.user, c.templates),
            INT32_MIN)
            << c.name;
        expectThrown(c.exception, c.message);
    }
    EXPECT_EQ(callIntExport(EXPORT_NAME("dsdk_1remove_1user"), handle(), kDevice, jobject{}),
              INT32_MIN);
    expectThrown("java.lang.NullPointerException", "dsdk_remove_user: user is null");
    EXPECT_EQ(calls(SIM_ADD_USER), 0);
    EXPECT_EQ(calls(SIM_REMOVE_USER), 0);
}

TEST_F(EnrolmentTest, RemoveSendsOnlyTheUserId) {
    jobject sparse = api.make("DSDKUserData", "()V");
    e->SetIntField(sparse, e->GetFieldID(api.nested("DSDKUserData"), "uid", "I"), -77);
    sim_set_status(SIM_REMOVE_USER, 0);  // the simulator has no such user
    EXPECT_EQ(api.removeUser(handle(), kDevice, sparse), 0);
    const Bytes b = blob(SIM_REMOVE_USER, 0);
    ASSERT_EQ(b.size(), sizeof(dsdk_user));
    dsdk_user expected{};
    expected.uid = -77;
    EXPECT_EQ(std::memcmp(b.data(), &expected, sizeof expected), 0);
}

}  // namespace
}  // namespace bridgetest
