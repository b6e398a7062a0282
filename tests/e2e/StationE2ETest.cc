// Station 1 of the bench configuration under the activator, beside smemory and mendra
// as real processes: the operator starts the set, closes and opens its QG, and stops
// it through the cooling run. A stand-in supervision grants every leave and keeps
// the station's reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "ObjectsActivator.h"
#include "SEES.h"
#include "SEESMode.h"
#include "SEESOwner.h"
#include "StoreBench.h"

using namespace UniSetTypes;
using testing_support::sourcePath;
using testing_support::StoreBench;
using testing_support::waitFor;

namespace
{
    class GrantingSupervision : public ObjectsManager, public SEESOwner
    {
    public:
        bool canRun(int) override { return true; }
        bool acceptQG(int, bool) override { return true; }
        void releaseQG(int) override {}
        bool isAlone(int) override { return false; }
        void pushReport(const TransportMessage& msg) override
        {
            const VoidMessage vm(msg);
            const SEESMessage report(&vm);
            std::lock_guard<std::mutex> lk(mtx);
            if (report.event == SEESMessage::ModeChange)
                modes.push_back(report.state);
        }

        // The mode codes reported so far.
        std::vector<int> reportedModes()
        {
            std::lock_guard<std::mutex> lk(mtx);
            return modes;
        }

    private:
        std::mutex mtx;
        std::vector<int> modes;
    };

    // The bench configuration with a short cooling run for station 1 (its node comes first).
    std::string benchWithShortCooling()
    {
        std::string text = testing_support::readFile(sourcePath("config/configure.xml"));
        const std::string cooling = "coolingTime=\"10000\"";
        const size_t at = text.find(cooling);
        if (at != std::string::npos)
            text.replace(at, cooling.size(), "coolingTime=\"1000\"");
        return text;
    }
}

TEST(Station, OperatorStartsConnectsDisconnectsAndStopsTheSetThroughCooling)
{
    ObjectsActivator activator; // before any other thread, so that it gets the signals
    StoreBench bench("station", benchWithShortCooling(), {"--sleep-msec", "20"});
    auto smemory = bench.startStore();
    ASSERT_TRUE(bench.store().isReady()) << smemory->output();
    bench.install();
    auto mendra = bench.start("simulator/mendra", {"--imitator-confile", sourcePath("config/mendra.src.xml"),
                                                   "--sleep-msec", "20"});
    auto press = [&](const std::string& button) {
        bench.set(button, 1);
        bench.set(button, 0);
    };

    {
        GrantingSupervision supervision;
        SEES station(0, "SES1", &supervision, bench.cfg().getNode("SES1"));
        auto inMode = [&](const std::string& name) {
            return waitFor([&] { return station.currentMode()->getName() == name; }, std::chrono::seconds(30));
        };
        supervision.addManager(&station);
        activator.addManager(&supervision);
        activator.run(true);
        activator.broadcast(SystemMessage(SystemMessage::StartUp).transport());

        // The bench's switches put the station under remote manual control.
        ASSERT_TRUE(inMode("SEESOffMode")) << station.currentMode()->getName();
        EXPECT_TRUE(bench.await("SES1_OnControl_C", 1));

        press("SES1_DG_Start_Btn_S");
        ASSERT_TRUE(inMode("SEESRunningMode")) << mendra->output();
        EXPECT_EQ(bench.get("SES1_sees_state_as"), 9);
        EXPECT_TRUE(bench.await("SES1_DG_Start_C", 0));

        press("SES1_QG_On_Btn_S");
        ASSERT_TRUE(inMode("SEESOnMode"));
        EXPECT_EQ(bench.get("SES1_QG_On_S"), 1);
        EXPECT_TRUE(bench.await("SES1_lmpQG_ON_c", 1));

        press("SES1_QG_Off_Btn_S");
        ASSERT_TRUE(inMode("SEESRunningMode"));
        EXPECT_EQ(bench.get("SES1_QG_On_S"), 0);

        press("SES1_DG_Stop_Btn_S");
        ASSERT_TRUE(inMode("SEESCoolingMode"));
        ASSERT_TRUE(bench.await("SES1_DG_Stop_C", 1)) << "the stop follows the cooling run";
        ASSERT_TRUE(inMode("SEESOffMode"));
        EXPECT_EQ(bench.get("SES1_sees_state_as"), 0);
        EXPECT_TRUE(bench.await("SES1_DG_Stop_C", 0));

        // Off, Running, On, Running, Cooling (reported as stopped), Off: the last report
        // follows the change to Off.
        const std::vector<int> road{modeOff, modeRunning, modeOn, modeRunning, modeOff, modeOff};
        std::vector<int> modes;
        EXPECT_TRUE(waitFor([&] {
            modes = supervision.reportedModes();
            return std::search(modes.begin(), modes.end(), road.begin(), road.end()) != modes.end();
        })) << ::testing::PrintToString(modes);

        activator.stop();
        activator.join();
        EXPECT_EQ(bench.get("SES1_ControlMode_f"), 1) << "terminated, the station leaves local control";
        EXPECT_EQ(bench.get("SES1_postID_as"), 0);
    }

    EXPECT_EQ(mendra->stop(), 0) << mendra->output();
    EXPECT_EQ(smemory->stop(), 0) << smemory->output();
}
