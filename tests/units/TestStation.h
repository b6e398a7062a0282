// Stands in for the station object until it exists: it creates its three unit
// monitors as the station does, owns them, and keeps their reports in its queue.
#pragma once

#include <string>
#include <vector>

#include "Diesel.h"
#include "Generator.h"
#include "ObjectsManager.h"
#include "QG.h"
#include "SEESMessages.h"

class TestStation : public ObjectsManager
{
public:
    TestStation(const std::string& name, xmlNode* cnode);
    ~TestStation() override;

    // The station reports taken from its queue.
    std::vector<SEESMessage> reports();

    static DebugStream dlog;

    int num = 0;
    QG* qg = nullptr;
    Diesel* diesel = nullptr;
    Generator* generator = nullptr;

private:
    template <class Monitor>
    Monitor* create(xmlNode* cnode, const std::string& attribute);
};
