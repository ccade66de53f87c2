// Devices that cannot be opened or identified, and a controller without its libraries.
#include <gtest/gtest.h>

#include "hid/EControllerError.h"
#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {
namespace {

enum class Fault { CannotOpen, CannotIdentify };
enum class Handler { None, LeavesUnhandled, Handled, HandledRetryFixed };

struct CreateCase {
    const char* name;
    Fault fault;
    Handler handler;
    bool propagates;
    std::size_t listed;
    const char* message;
};

class CreateErrorTest : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CreateErrorTest, ErrorIsHandledRetriedOrPropagated) {
    const CreateCase& c = GetParam();
    FeatureDevice good, bad{0xF538};
    HidBench bench;
    bench.bus.Plug(good);
    bench.bus.Plug(bad);
    const auto breakIt = [&](bool broken) {
        if (c.fault == Fault::CannotOpen) bench.bus.SetOpenMode(bad, broken ? sim::OpenMode::Never : sim::OpenMode::ReadWrite);
        else bench.bus.SetAttributesReadable(bad, !broken);
    };
    breakIt(true);

    std::vector<std::string> calls;
    THidControllerProperties properties;
    if (c.handler != Handler::None) {
        properties.OnDeviceCreateError = [&](THidDeviceController&, const THidPnPInfo& PnPInfo, bool& Handled,
                                             bool& RetryCreate) {
            calls.push_back(std::to_string(PnPInfo.DeviceID()) + (RetryCreate ? " retry" : ""));
            if (c.handler == Handler::LeavesUnhandled) return;
            Handled = true;
            if (c.handler == Handler::HandledRetryFixed && !RetryCreate) {
                RetryCreate = true;
                breakIt(false);
            }
        };
    }

    std::string error;
    try {
        bench.Start(std::move(properties));
    } catch (const EControllerError& e) {
        error = e.what();
    }
    EXPECT_EQ(!error.empty(), c.propagates);
    if (c.propagates) {
        EXPECT_EQ(error, c.message);
    }
    EXPECT_EQ(bench.controller->Count(), c.listed);
    // One call: the retry succeeds, and the retry flag starts false.
    EXPECT_EQ(calls.size(), c.handler == Handler::None ? 0u : 1u);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0) << "a failed creation closes what it opened";

    // A failed pass does not deafen the controller: the next notification runs a pass.
    breakIt(false);
    bench.TakeLog();
    bench.bus.ChangeOtherDevice();
    bench.Run();
    EXPECT_EQ(bench.controller->Count(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Controller, CreateErrorTest,
    ::testing::Values(
        CreateCase{"OpenNoHandler", Fault::CannotOpen, Handler::None, true, 0, "Device cannot be opened"},
        CreateCase{"IdentifyNoHandler", Fault::CannotIdentify, Handler::None, true, 0, "Device cannot be identified"},
        CreateCase{"OpenUnhandled", Fault::CannotOpen, Handler::LeavesUnhandled, true, 0, "Device cannot be opened"},
        CreateCase{"OpenHandled", Fault::CannotOpen, Handler::Handled, false, 1, ""},
        CreateCase{"IdentifyHandled", Fault::CannotIdentify, Handler::Handled, false, 1, ""},
        CreateCase{"OpenRetried", Fault::CannotOpen, Handler::HandledRetryFixed, false, 2, ""},
        CreateCase{"IdentifyRetried", Fault::CannotIdentify, Handler::HandledRetryFixed, false, 2, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CreateError, QueryOnlyInterfaceIsListedWithoutReadWriteAccess) {
    FeatureDevice held;
    HidBench bench;
    sim::BusInterfaceOptions options;
    options.openMode = sim::OpenMode::QueryOnly;
    bench.bus.Plug(held, options);
    bench.Start();
    ASSERT_EQ(bench.controller->Count(), 1u);
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOut(device));
    std::vector<std::uint8_t> report(19);
    EXPECT_FALSE(device->SetFeature(report, 19));
    EXPECT_FALSE(device->HasReadWriteAccess());
    EXPECT_EQ(device->Attributes().ProductID, 0xF542);
}

struct LibraryCase {
    const char* name;
    bool setupApi;
    bool hid;
};

class MissingLibraryTest : public ::testing::TestWithParam<LibraryCase> {};

TEST_P(MissingLibraryTest, ControllerStaysInertAndReleasesWhatItBound) {
    const LibraryCase& c = GetParam();
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.queue.RunPending();
    bench.system.SetLibraryAvailable(HidLibrary::SetupApi, c.setupApi);
    bench.system.SetLibraryAvailable(HidLibrary::Hid, c.hid);
    bench.Start();
    EXPECT_FALSE(bench.system.Notifying());
    EXPECT_EQ(bench.controller->HidGuid(), kDefaultHidGuid);
    bench.controller->DeviceChange();
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), std::vector<std::string>{});
    EXPECT_EQ(bench.controller->Count(), 0u);
    EXPECT_EQ(bench.controller->Enumerate(), 0);
    EXPECT_EQ(bench.system.Statistics().opens, 0);

    bench.controller.reset();
    EXPECT_EQ(bench.system.BindCount(HidLibrary::SetupApi), 0);
    EXPECT_EQ(bench.system.BindCount(HidLibrary::Hid), 0);
}

INSTANTIATE_TEST_SUITE_P(Controller, MissingLibraryTest,
                         ::testing::Values(LibraryCase{"SetupApiMissing", false, true},
                                           LibraryCase{"HidMissing", true, false}, LibraryCase{"BothMissing", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Controller, SettingTheChangeHandlerRunsAPassAtOnce) {
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.queue.RunPending();
    int changes = 0;
    THidDeviceController controller(bench.system, nullptr, [&](THidDeviceController&) { ++changes; });
    EXPECT_EQ(controller.Count(), 1u) << "the pass ran during construction";
    EXPECT_EQ(changes, 1);
    bench.queue.RunPending();
    EXPECT_EQ(changes, 2) << "then the first notification's pass";
    EXPECT_EQ(controller.Version(), "1.0.35");
    controller.SetVersion("9");
    EXPECT_EQ(controller.Version(), "1.0.35");
}

}  // namespace
}  // namespace zrflash::hid::test
