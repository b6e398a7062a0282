// The bench's own configuration (config/configure.xml, config/mendra.src.xml) with
// the five simulators built from it, on the manual clock and the in-process store,
// driven pass by pass.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "GRSHImitator.h"
#include "Mendra.h"
#include "TestSupport.h"
#include "UniXML.h"

namespace simtest
{
    // config/configure.xml without its <configure> element around it.
    std::string sampleConfigBody();
    // The text of config/mendra.src.xml.
    std::string sampleSimulatorFile();
    // text with every occurrence of from replaced by to; fails the test when there is none.
    std::string edited(std::string text, const std::string& from, const std::string& to);
    // The first element with this tag below the document's root.
    xmlNode* section(const UniXML& doc, const std::string& tag);

    // The world of the sample configuration, and a simulator file read from text.
    class SimulatorWorld
    {
    public:
        explicit SimulatorWorld(const std::string& simulatorText = sampleSimulatorFile(),
                                std::vector<std::string> args = {});
        testing_support::TestWorld& world() { return w; }
        xmlNode* section(const std::string& tag) const { return simtest::section(doc, tag); }

    private:
        testing_support::TestWorld w;
        UniXML doc;
    };

    class Bench
    {
    public:
        // The switchboard and the four stations, started.
        Bench();
        ~Bench();

        GRSHImitator& switchboard() { return *grsh; }
        Mendra& station(size_t n) { return *stations.at(n - 1); }

        // Passes of every object until no queue holds a message.
        void settle();
        // Moves the clock on in steps of 10 ms, settling after each.
        void run(std::chrono::milliseconds d);
        // Moves the clock on without a pass: a timer that falls due fires only at the
        // next settle, behind whatever has been queued meanwhile.
        void passTime(std::chrono::milliseconds d);

        void set(const std::string& sensor, long value);
        long get(const std::string& sensor);
        // A command pulse 0 then 1, as the station control gives it.
        void command(const std::string& sensor);
        // Every value written to the sensor since the bench started, in order.
        std::vector<long> written(const std::string& sensor);

        // Station n started and settled at its rated voltage, breaker open.
        void startSet(size_t n);
        // Station n running with its breaker closed.
        void closeBreaker(size_t n);

    private:
        SimulatorWorld sim;
        std::unique_ptr<GRSHImitator> grsh;
        std::array<std::unique_ptr<Mendra>, 4> stations;
    };
}
