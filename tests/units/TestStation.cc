#include "TestStation.h"

#include "Configuration.h"
#include "Exceptions.h"
#include "TestSupport.h"
#include "UniXML.h"

using namespace UniSetTypes;

DebugStream TestStation::dlog(Debug::NONE);

TestStation::TestStation(const std::string& name, xmlNode* cnode) : ObjectsManager(conf->getObjectID(name))
{
    num = UniXML::getIntProp(cnode, "num");
    try
    {
        qg = create<QG>(cnode, "QG");
        diesel = create<Diesel>(cnode, "Diesel");
        generator = create<Generator>(cnode, "Generator");
    }
    catch (...)
    {
        delete qg;
        delete diesel;
        delete generator;
        throw;
    }
}

TestStation::~TestStation()
{
    delete qg;
    delete diesel;
    delete generator;
}

template <class Monitor>
Monitor* TestStation::create(xmlNode* cnode, const std::string& attribute)
{
    const std::string name = UniXML::getProp(cnode, attribute);
    xmlNode* node = conf->getNode(name);
    if (!node)
        throw Exception(getName() + ": FAILED! " + name + " not found in conf!");
    Monitor::initLog(dlog);
    try
    {
        return new Monitor(num, name, this, node);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(create " << name << "): " << ex << std::endl;
        throw;
    }
}

std::vector<SEESMessage> TestStation::reports()
{
    std::vector<SEESMessage> out;
    for (const VoidMessage& vm : testing_support::drain(*this))
        if (vm.type == SEESMessage::MessageTypeID)
            out.emplace_back(&vm);
    return out;
}
