#include "fake_support.h"

namespace qv::testing {

FakeJvm& FakeMachine::addJvm(std::string_view path) {
    addFile(path, "MZ");
    auto& jvm = jvms_[foldCase(fullPath(path))];
    jvm = std::make_unique<FakeJvm>();
    return *jvm;
}

ModuleHandle FakeMachine::loadLibrary(const char* path, const char* importFolder) {
    librariesLoaded.emplace_back(path);
    importFolders.emplace_back(importFolder != nullptr ? importFolder : "");
    if (failsIn(*this, SeamCall::LibraryLoad)) {
        return nullptr;
    }
    auto it = jvms_.find(foldCase(fullPath(path)));
    if (it == jvms_.end()) {
        lastErrorCode = exists(path) ? kErrorBadExeFormat : kErrorModNotFound;
        return nullptr;
    }
    return it->second.get();
}

CreateJavaVmFn FakeMachine::findCreateJavaVm(ModuleHandle library) {
    if (failsIn(*this, SeamCall::EntryLookup)) {
        return nullptr;
    }
    for (auto& [path, jvm] : jvms_) {
        if (jvm.get() == library) {
            if (!jvm->exportsCreateJavaVm) {
                lastErrorCode = kErrorProcNotFound;
                return nullptr;
            }
            return jvm->entry();
        }
    }
    lastErrorCode = kErrorInvalidHandle;
    return nullptr;
}

}  // namespace qv::testing
