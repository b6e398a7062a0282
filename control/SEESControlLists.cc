#include "SEESControlLists.h"

#include "Automat.h"
#include "Configuration.h"

using namespace UniSetTypes;

ASensor::ASensor(ObjectId sid, const std::string& nm) : id(sid)
{
    name = nm.empty() ? conf->getNameById(sid) : nm;
    if (name.empty())
        name = "??ASensor??";
}

bool ASensor::check(const SensorMessage* sm)
{
    if (sm->id != id)
        return false;
    value = sm->value;
    return true;
}

std::ostream& operator<<(std::ostream& os, const ASensor& a)
{
    return os << a.name;
}

std::ostream& operator<<(std::ostream& os, const StructureObject& s)
{
    switch (s.kind)
    {
    case StructureObject::kAutomat:
        return s.avt ? os << s.avt->UniSetObject::getName() : os << "avt=NULL";
    case StructureObject::kGroup:
        return s.group ? os << s.group->group().getName() : os << "group=NULL";
    case StructureObject::kASensor:
        return s.asensor ? os << *s.asensor : os << "asensor=NULL";
    default:
        return os << "??StructureObject??";
    }
}

std::ostream& operator<<(std::ostream& os, const std::list<StructureObject>& list)
{
    for (const StructureObject& s : list)
        os << s << " -- ";
    return os;
}
