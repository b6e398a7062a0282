#include "SkeletonItems.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "Exceptions.h"

using namespace UniSetTypes;

namespace ravna::sk
{
    int scanInt(const std::string& text)
    {
        // strtol with base 0 is what "%i" is defined by.
        const char* s = text.c_str();
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(s, &end, 0);
        if (end == s)
            return 0;
        if (v > INT_MAX)
            return INT_MAX;
        if (v < INT_MIN)
            return INT_MIN;
        return static_cast<int>(v);
    }

    const std::string& firstNonEmpty(const std::string& a, const std::string& b, const std::string& c)
    {
        return !a.empty() ? a : (!b.empty() ? b : c);
    }

    void readIds(const Layout& layout, const Configuration& c, xmlNode* node)
    {
        for (const Item& it : layout.items)
        {
            if (it.isFixed())
            {
                *it.id = it.fixedId;
                *it.node = c.getLocalNode();
                continue;
            }
            *it.id = c.getSensorID(c.getProp(node, it.name));
            *it.node = c.getNodeID(c.getProp(node, std::string("node_") + it.name));
        }
        for (const Message& m : layout.messages)
        {
            *m.id = c.getSensorID(c.getProp(node, m.name));
            *m.node = c.getNodeID(c.getProp(node, std::string("node_") + m.name));
        }
        for (const Setting& s : layout.settings)
        {
            const std::string text =
                firstNonEmpty(c.getArgParam("--" + std::string(s.name), ""), c.getProp(node, s.name), s.defaultText);
            const int v = scanInt(text);
            if (s.flag)
                *s.flag = v != 0;
            else
                *s.number = v;
        }
    }

    void printIds(const Layout& layout, std::ostream& os)
    {
        for (const Item& it : layout.items)
            if (!it.isFixed() && *it.id != DefaultObjectId)
                os << "id:" << *it.id << std::endl;
        for (const Message& m : layout.messages)
            if (*m.id != DefaultObjectId)
                os << "id:" << *m.id << std::endl;
    }

    void checkIds(const Layout& layout, const Configuration& c, xmlNode* node, const std::string& myname)
    {
        for (const Item& it : layout.items)
        {
            if (it.isFixed())
                continue;
            const std::string name = it.name;
            const std::string attr = c.getProp(node, name);
            if (it.mandatory)
            {
                if (*it.id == DefaultObjectId)
                    throw Exception(myname + ": Not found ID for (" + name + ") " + attr);
                const UniversalIO::IOTypes t = c.getIOType(*it.id);
                if (t != it.type)
                    throw Exception(myname + "(init): Invalid 'iotype' for '" + name + "' set '" +
                                    iotypeToText(it.type) + "' but " + attr + "='" + iotypeToText(t) + "'");
            }
            if (*it.node == DefaultObjectId)
            {
                const std::string nodeAttr = c.getProp(node, "node_" + name);
                if (it.mandatory && !nodeAttr.empty())
                    throw Exception(myname + ": Not found NodeID for (node='node_" + name + "') " + nodeAttr);
                *it.node = c.getLocalNode();
            }
        }
        for (const Message& m : layout.messages)
        {
            const std::string nodeAttr = c.getProp(node, std::string("node_") + m.name);
            if (!nodeAttr.empty() && (*m.id == DefaultObjectId || *m.node == DefaultObjectId))
                throw Exception(myname + ": Not found Message::NodeID for (node='node_" + m.name + "') " + nodeAttr);
            if (*m.node == DefaultObjectId)
                *m.node = c.getLocalNode();
        }
    }

    void applyDefaults(const Layout& layout, const Configuration& c, xmlNode* node)
    {
        for (const Item& it : layout.items)
        {
            if (!it.isFixed())
            {
                const std::string attr = c.getProp(node, std::string(it.name) + "_default");
                it.value.set(c.getArgPInt("--" + std::string(it.name) + "-default", attr, static_cast<int>(it.defaultValue)));
            }
            // Equal from the start, so that nothing counts as changed before the first forced write.
            it.prev.set(it.value.get());
        }
    }
}
