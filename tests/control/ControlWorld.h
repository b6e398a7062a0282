// What the control tests share: one configuration with the bus-tie logic and its
// breaker, the priority lists, two configured busbar groups and their sensors;
// and a store that fails the writes and asks a test names.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <libxml/tree.h>

#include "Store.h"
#include "TestSupport.h"

namespace control_test
{
    using Edits = std::vector<std::pair<std::string, std::string>>;

    // The configuration body: sensors, the nodes "RavnaLogic", "QC1",
    // "prioritylist" (object "PriorityController") and "structure" with
    // <group num="1"> (items SES1, SES2), <group num="2"> (SES3), both with all
    // their sensors, and <group num="3"> (SES4) without any. Each edit
    // replaces the first occurrence of its text.
    std::string controlWorld(const Edits& edits = {});
    // text with the edits made; what names the text in a failure.
    std::string edited(std::string text, const Edits& edits, const char* what);

    // The commands queued to a breaker object (its loop does not run) since the last call.
    std::vector<int> commandsTo(UniSetObject& breaker);

    // The <group> element of that number under <structure>.
    xmlNode* groupElement(testing_support::TestWorld& world, int num);

    // Stands in front of another store and fails what it is told to.
    class FailingStore final : public uniset::Store
    {
    public:
        explicit FailingStore(uniset::Store& inner) : inner(inner) {}

        std::string name() const override { return "failing"; }
        bool isReady() const override { return inner.isReady(); }
        long getValue(UniSetTypes::ObjectId id) const override { return inner.getValue(id); }
        UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id) const override { return inner.getIOType(id); }
        void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier) override;
        void ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) override;
        void forget(UniSetObject* consumer) override { inner.forget(consumer); }

        std::set<UniSetTypes::ObjectId> failWrites;
        std::set<UniSetTypes::ObjectId> failAsks;
        // How many asks of failAsks fail before they go through.
        int askFailuresLeft = 1000000;

    private:
        uniset::Store& inner;
    };

    // Installs a FailingStore over the world's store for the scope of a test.
    class ScopedFailingStore
    {
    public:
        explicit ScopedFailingStore(testing_support::TestWorld& world);
        ~ScopedFailingStore();
        FailingStore store;

    private:
        testing_support::TestWorld& world;
    };
}
