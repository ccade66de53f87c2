// The whole program on the headless port: a fixture that starts it and lets a test act as the user.
#include "tests/support/HeadlessProgram.h"

namespace zrflash::test {

HeadlessProgram::HeadlessProgram(platform::headless::HeadlessMachine* shared)
    : machine(shared != nullptr ? *shared : ownMachine),
      gui(clock),
      system(clock, machine),
      bus([this](std::function<void()> work) { gui.Post(std::move(work)); },
          [this](int milliseconds) { clock.Advance(milliseconds); }),
      hidSystem(bus),
      program_(std::make_unique<app::Program>(gui, system, hidSystem)) {}

// The program goes first: its controller still holds devices of the bus.
HeadlessProgram::~HeadlessProgram() { program_.reset(); }

std::shared_ptr<sim::SimInstrument> HeadlessProgram::Plug(const sim::InstrumentBuilder& builder) {
    auto instrument = builder.Build();
    instruments_.push_back(instrument);
    bus.Plug(*instrument);
    return instrument;
}

bool HeadlessProgram::Start() { return program_->Start(); }

int HeadlessProgram::Shutdown() { return program_->Shutdown(); }

std::vector<std::u16string> HeadlessProgram::Log() {
    std::vector<std::u16string> lines;
    for (int i = 0; i < Form().LB->Count(); ++i) lines.push_back(Form().LB->Line(i));
    return lines;
}

}  // namespace zrflash::test
