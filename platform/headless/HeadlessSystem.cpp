// The headless system: semaphores, files and time in memory, with faults a test can switch on.
#include "platform/headless/HeadlessSystem.h"

namespace zrflash::platform::headless {
namespace {

constexpr std::uint32_t kPathNotFound = 3;

class HeadlessSemaphore final : public Semaphore {
public:
    HeadlessSemaphore(HeadlessMachine& machine, std::u16string name) : machine_(machine), name_(std::move(name)) {
        machine_.OpenSemaphore(name_);
    }
    ~HeadlessSemaphore() override { machine_.CloseSemaphore(name_); }
    bool Wait(int) override {
        auto* state = machine_.FindSemaphore(name_);
        if (state == nullptr || state->count == 0) return false;
        --state->count;
        return true;
    }
    bool Release(int count) override {
        auto* state = machine_.FindSemaphore(name_);
        if (state == nullptr || count <= 0 || state->count + count > state->maximum) return false;
        state->count += count;
        return true;
    }

private:
    HeadlessMachine& machine_;
    std::u16string name_;
};

class HeadlessFile final : public OutputFile {
public:
    HeadlessFile(HeadlessMachine& machine, std::u16string path, const FileFaults& faults)
        : machine_(machine), path_(std::move(path)), faults_(faults) {}
    bool Write(std::string_view bytes) override {
        std::string& contents = machine_.files[path_];
        if (faults_.failWriteAfterBytes && contents.size() + bytes.size() > *faults_.failWriteAfterBytes) {
            // A full disk takes what fits and refuses the rest.
            contents.append(bytes.substr(0, *faults_.failWriteAfterBytes - contents.size()));
            return false;
        }
        contents.append(bytes);
        return true;
    }
    bool Close() override { return !faults_.failClose; }

private:
    HeadlessMachine& machine_;
    std::u16string path_;
    FileFaults faults_;
};

std::u16string ParentOf(std::u16string_view path) {
    const auto separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, separator));
}

}  // namespace

HeadlessMachine::SemaphoreState* HeadlessMachine::FindSemaphore(const std::u16string& name) {
    auto found = semaphores_.find(name);
    return found == semaphores_.end() ? nullptr : &found->second;
}

HeadlessMachine::SemaphoreState& HeadlessMachine::OpenSemaphore(const std::u16string& name) {
    auto& state = semaphores_[name];
    ++state.handles;
    return state;
}

// Like a kernel object, the semaphore disappears with its last handle.
void HeadlessMachine::CloseSemaphore(const std::u16string& name) {
    auto found = semaphores_.find(name);
    if (found != semaphores_.end() && --found->second.handles == 0) semaphores_.erase(found);
}

HeadlessSystem::HeadlessSystem(VirtualClock& clock, HeadlessMachine& machine) : clock_(clock), machine_(machine) {
    machine_.directories.insert(documents_);
}

std::u16string HeadlessSystem::ModulePath(std::size_t capacity) {
    if (capacity == 0) return {};
    return modulePath_.substr(0, capacity - 1);
}

std::unique_ptr<Semaphore> HeadlessSystem::OpenNamedSemaphore(std::u16string_view name) {
    if (semaphoreFails_) return nullptr;
    return std::make_unique<HeadlessSemaphore>(machine_, std::u16string(name));
}

void HeadlessSystem::StartHidden(std::u16string_view commandLine) { started_.emplace_back(commandLine); }

void HeadlessSystem::Sleep(int milliseconds) {
    sleeps_.push_back(milliseconds);
    clock_.Advance(milliseconds);
}

std::u16string HeadlessSystem::DocumentsFolder() { return documents_; }

void HeadlessSystem::SetDocumentsFolder(std::u16string folder) {
    documents_ = std::move(folder);
    if (!documents_.empty()) machine_.directories.insert(documents_);
}

std::uint32_t HeadlessSystem::MakeDirectory(std::u16string_view path) {
    if (faults_.makeDirectoryResult) return *faults_.makeDirectoryResult;
    const std::u16string folder(path);
    if (machine_.directories.count(folder) != 0) return kAlreadyExists;
    const std::u16string parent = ParentOf(folder);
    if (!parent.empty() && machine_.directories.count(parent) == 0) return kPathNotFound;
    machine_.directories.insert(folder);
    return kDirectoryCreated;
}

NewOutputFile HeadlessSystem::CreateNewOutputFile(std::u16string_view path) {
    const std::u16string file(path);
    if (machine_.files.count(file) != 0) return {nullptr, true};
    const std::u16string parent = ParentOf(file);
    if (faults_.failCreate || (!parent.empty() && machine_.directories.count(parent) == 0)) return {};
    machine_.files[file].clear();
    return {std::make_unique<HeadlessFile>(machine_, file, faults_), false};
}

bool HeadlessSystem::RemoveFile(std::u16string_view path) { return machine_.files.erase(std::u16string(path)) != 0; }

}  // namespace zrflash::platform::headless
