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
    using testing_support::Edits;

    // The configuration body: sensors, the nodes "RavnaLogic", "QC1",
    // "prioritylist" (object "PriorityController") and "structure" with
    // <group num="1"> (items SES1, SES2), <group num="2"> (SES3), both with all
    // their sensors, and <group num="3"> (SES4) without any. Each edit
    // replaces the first occurrence of its text.
    std::string controlWorld(const Edits& edits = {});
    // The commands queued to a breaker object (its loop does not run) since the last call.
    std::vector<int> commandsTo(UniSetObject& breaker);

    // The <group> element of that number under <structure>.
    xmlNode* groupElement(testing_support::TestWorld& world, int num);

    // The failing store of the test support, as the control tests name it.
    using testing_support::FailingStore;
    using testing_support::ScopedFailingStore;
}
