#include "fake_support.h"

namespace qv::testing {

namespace {

class FakeRegistryKey : public RegistryKey {
  public:
    FakeRegistryKey(const FakeMachine::RegKeyData& key, FaultInjector& faults)
        : key_(key), faults_(faults) {}

    bool enumSubkey(std::uint32_t index, std::size_t maxChars, std::string& name) override {
        // Registry functions return their code; the thread's last error stays as it was.
        if (faults_.fails(SeamCall::RegistryEnum) || index >= key_.subkeys.size()) {
            return false;
        }
        auto it = key_.subkeys.begin();
        std::advance(it, index);
        if (it->second.size() > maxChars) {
            return false;
        }
        name = it->second;
        return true;
    }

    bool queryValue(const char* valueName, std::size_t byteLimit, RegistryValue& value) override {
        auto it = key_.values.find(foldCase(valueName));
        if (faults_.fails(SeamCall::RegistryQuery) || it == key_.values.end() ||
            it->second.bytes.size() > byteLimit) {
            return false;
        }
        value = it->second;
        return true;
    }
    bool valueSize(const char* valueName, std::size_t& bytes) override {
        auto it = key_.values.find(foldCase(valueName));
        if (faults_.fails(SeamCall::RegistryQuery) || it == key_.values.end()) {
            return false;
        }
        bytes = it->second.bytes.size();
        return true;
    }

  private:
    const FakeMachine::RegKeyData& key_;
    FaultInjector& faults_;
};

}  // namespace

FakeMachine::RegKeyData& FakeMachine::makeKey(View view, RegistryRoot root, std::string_view path) {
    Hive& keys = hive(view);
    std::string full = registryPath(root, path);
    std::string at = rootName(root);
    RegKeyData* key = &keys[foldCase(at)];
    std::size_t start = at.size() + 1;
    while (start < full.size() + 1) {
        std::size_t end = full.find('\\', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        std::string name = full.substr(start, end - start);
        key->subkeys.emplace(foldCase(name), name);
        at = full.substr(0, end);
        key = &keys[foldCase(at)];
        start = end + 1;
    }
    return *key;
}

void FakeMachine::addRegistryKey(View view, RegistryRoot root, std::string_view path) {
    makeKey(view, root, path);
}

void FakeMachine::setRegistryValue(View view, RegistryRoot root, std::string_view path,
                                   std::string_view name, std::uint32_t type, std::string bytes) {
    makeKey(view, root, path).values[foldCase(name)] = RegistryValue{type, std::move(bytes)};
}

void FakeMachine::setRegistryString(View view, RegistryRoot root, std::string_view path,
                                    std::string_view name, std::string_view text) {
    setRegistryValue(view, root, path, name, kRegSz, std::string(text) + '\0');
}

std::unique_ptr<RegistryKey> FakeMachine::openRegistryKey(RegistryRoot root, const char* path,
                                                          std::uint32_t access) {
    bool view64 = windows64 && (access & kKeyWow64_64Key);
    std::string full = registryPath(root, path);
    registryOpens.push_back(std::string(view64 ? "64:" : "32:") + full);
    if (faults.fails(SeamCall::RegistryOpen)) {
        return nullptr;  // the registry's code is returned, not put into the last error
    }
    Hive& keys = view64 ? hive64_ : hive32_;
    auto it = keys.find(foldCase(full));
    if (it == keys.end()) {
        if (full != rootName(root)) {
            return nullptr;  // RegOpenKeyExA returns ERROR_FILE_NOT_FOUND; last error untouched
        }
        it = keys.emplace(foldCase(full), RegKeyData{}).first;
    }
    return std::make_unique<FakeRegistryKey>(it->second, faults);
}

}  // namespace qv::testing
