// A whole session as a user has it: plug the instrument in, see it polled, update its firmware.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/HeadlessProgram.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::test {
namespace {

TEST(Session, PlugPollAndUpdateModel12) {
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder().Model12().Version("C1.28"));
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    EXPECT_EQ(program.Window().Caption(), u"Прошивка версии C1.31 для пинцет ЖР-12");
    EXPECT_EQ(program.Log(), std::vector<std::u16string>{u"Пинцет ЖР-12 подключен"});
    EXPECT_EQ(program.Form().Label1->Text(), u"Текущая версия прошивки C1.28");
    EXPECT_TRUE(program.Form().B1->Enabled());

    ASSERT_TRUE(program.Window().Click("B1"));
    ASSERT_TRUE(program.gui.RunUntil(
        [&] { return !program.Log().empty() && program.Log().back() == u"Процесс завершен успешно !!"; }, 120'000));
    update::FirmwareImage sending{};
    update::RestoreAllPieces(*update::FirmwareImageOfModel(12), sending);
    EXPECT_TRUE(std::equal(sending.begin(), sending.begin() + update::UploadEnd, instrument->Flash().begin()));
    program.RunFor(1100);
    EXPECT_EQ(program.Form().Label1->Text(), u"Текущая версия прошивки C1.31");
}

}  // namespace
}  // namespace zrflash::test
