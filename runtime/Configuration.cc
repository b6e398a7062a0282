#include "Configuration.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>

#include "Exceptions.h"

namespace UniSetTypes
{
    Configuration* conf = nullptr;

    namespace
    {
        const uniset::Directory* confInUse() { return conf; }

        std::string findConfile(const std::vector<std::string>& args, const std::string& def)
        {
            for (size_t i = 1; i < args.size(); ++i)
            {
                if (args[i] == "--confile" && i + 1 < args.size())
                    return args[i + 1];
                if (args[i].rfind("--confile=", 0) == 0)
                    return args[i].substr(10);
            }
            return def;
        }

        // A whole number, or an error naming the file, the item and the attribute.
        long parseNumber(const std::string& file, const std::string& where, const std::string& attr,
                         const std::string& text)
        {
            if (text.empty())
                throw SystemError("'" + file + "': " + where + " has no '" + attr + "'");
            char* end = nullptr;
            errno = 0;
            const long v = std::strtol(text.c_str(), &end, 10);
            if (errno != 0 || end == text.c_str() || *end != '\0')
                throw SystemError("'" + file + "': " + where + " has a bad '" + attr + "'='" + text + "'");
            return v;
        }
    }

    Configuration::Configuration(int argc, const char* const* argv, const std::string& defaultConfile)
    {
        for (int i = 0; i < argc; ++i)
            args.emplace_back(argv[i] ? argv[i] : "");
        load(findConfile(args, defaultConfile), false, "");
    }

    std::unique_ptr<Configuration> Configuration::fromString(const std::string& text, std::vector<std::string> a)
    {
        std::unique_ptr<Configuration> c(new Configuration());
        c->args = std::move(a);
        if (c->args.empty())
            c->args.emplace_back("test");
        c->load("<string>", true, text);
        return c;
    }

    Configuration::~Configuration()
    {
        if (conf == this)
            conf = nullptr;
    }

    void Configuration::load(const std::string& file, bool fromText, const std::string& text)
    {
        // The core finds the configuration in use through conf, whichever one a
        // program's start-up or a test makes it.
        uniset::setDirectoryLookup(confInUse);
        confFile = file;
        if (fromText)
            xml.openFromString(text, file);
        else
            xml.open(file);
        readIds();

        const std::string dir = UniXML::getProp(getNode("LogDir"), "path");
        logDir = getArgParam("--logdir", dir);
        if (!logDir.empty() && logDir.back() != '/')
            logDir += '/';
        heartBeatTime = UniXML::getIntProp(getNode("HeartBeatTime"), "time_msec");
        checkSensorList(sensorsSection);
    }

    namespace
    {
        std::string lineOf(const xmlNode* n) { return "line " + std::to_string(xmlGetLineNo(n)); }

        // Why smctl and the programs could not name a sensor by this name; "" when they can.
        std::string unaddressable(const std::string& name)
        {
            if (name.find_first_not_of(" \t\r\n") == std::string::npos)
                return "is blank";
            if (name.find_first_not_of("0123456789") == std::string::npos)
                return "is all digits and would be read as an id";
            if (name.find('=') != std::string::npos)
                return "holds '=', which ends a name in SENSOR=VALUE";
            for (unsigned char c : name)
                if (std::isspace(c))
                    return "holds white space";
            return "";
        }

        // The first <sensors> element other than list, anywhere below n and its siblings.
        xmlNode* strayList(xmlNode* n, const xmlNode* list)
        {
            for (; n; n = n->next)
            {
                if (n->type != XML_ELEMENT_NODE)
                    continue;
                if (n != list && UniXML::getName(n) == "sensors")
                    return n;
                if (xmlNode* found = strayList(n->children, list))
                    return found;
            }
            return nullptr;
        }

        // The root's own child of that tag; the lists stand nowhere else.
        xmlNode* listOf(xmlNode* root, const std::string& tag)
        {
            for (UniXML_iterator it(root); it.goChildren();)
            {
                for (; it.valid(); it.goNext())
                    if (it.getName() == tag)
                        return it.getCurrent();
                break;
            }
            return nullptr;
        }
    }

    void Configuration::checkSensorList(xmlNode* list) const
    {
        // Any <sensors> but the root's own is a mistake: it used to be taken for the list.
        if (xmlNode* stray = strayList(xml.getFirstNode(), list))
            throw SystemError("'" + confFile + "': " + lineOf(stray) + ": <sensors> inside <" +
                              UniXML::getName(stray->parent) + ">; the sensor list belongs directly in <" +
                              UniXML::getName(xml.getFirstNode()) + ">, once");
    }

    void Configuration::requireSensors() const
    {
        if (!sensorsSection)
            throw SystemError("'" + confFile + "': no <sensors> list: the store would hold no sensor");
        if (sensors.empty())
            throw SystemError("'" + confFile + "': " + lineOf(sensorsSection) + ": the <sensors> list is empty");
    }

    void Configuration::readIds()
    {
        const std::string& file = confFile;
        std::set<ObjectId> used;
        xmlNode* root = xml.getFirstNode();
        auto readSection = [&](const char* tag, std::map<std::string, ObjectId>& ids, bool isSensors) -> xmlNode* {
            xmlNode* sec = listOf(root, tag);
            if (!sec)
                return nullptr;
            UniXML_iterator it(sec);
            if (!it.goChildren())
                return sec;
            for (; it.valid(); it.goNext())
            {
                if (it.getName() != "item")
                    throw SystemError("'" + file + "': " + lineOf(it) + ": <" + tag + "> holds <" + it.getName() +
                                      ">; only <item> elements belong there");
                const std::string name = it.getProp("name");
                const std::string where = std::string("<") + tag + "> item '" + name + "'";
                if (name.empty())
                    throw SystemError("'" + file + "': an item of <" + tag + "> has no 'name'");
                const long id = parseNumber(file, where, "id", it.getProp("id"));
                if (id < 0)
                    throw SystemError("'" + file + "': " + where + " has a negative 'id'");
                if (!used.insert(id).second)
                    throw SystemError("'" + file + "': " + where + " repeats id " + std::to_string(id));
                if (!ids.emplace(name, id).second)
                    throw SystemError("'" + file + "': <" + tag + "> names '" + name + "' twice");
                names[id] = name;
                if (isSensors)
                {
                    const std::string why = unaddressable(name);
                    if (!why.empty())
                        throw SystemError("'" + file + "': " + lineOf(it) + ": the sensor name '" + name + "' " + why +
                                          ": no request could name it");
                    SensorDescription d;
                    d.id = id;
                    d.name = name;
                    d.iotype = UniSetTypes::getIOType(it.getProp("iotype"));
                    if (d.iotype == UniversalIO::UnknownIOType)
                        throw SystemError("'" + file + "': " + where + " has a bad 'iotype'='" + it.getProp("iotype") +
                                          "' (DI, DO, AI or AO)");
                    const std::string def = it.getProp("default");
                    d.defaultValue = def.empty() ? 0 : parseNumber(file, where, "default", def);
                    if (UniversalIO::isDigital(d.iotype))
                        d.defaultValue = d.defaultValue != 0;
                    d.textname = it.getProp("textname");
                    sensorIndex[id] = sensors.size();
                    sensors.push_back(std::move(d));
                }
            }
            return sec;
        };

        readSection("nodes", nodeIds, false);
        sensorsSection = readSection("sensors", sensorIds, true);
        objectsSection = readSection("objects", objectIds, false);
        readSection("controllers", controllerIds, false);

        std::string local = getArgParam("--localNode", UniXML::getProp(getNode("LocalNode"), "name"));
        if (local.empty())
        {
            UniXML_iterator it(listOf(root, "nodes"));
            if (it.getCurrent() && it.goChildren())
                local = it.getProp("name");
        }
        if (local.empty())
        {
            // A configuration without nodes has one implicit local node, id 0.
            if (used.count(0))
                throw SystemError("'" + file + "': id 0 is kept for the implicit local node; declare <nodes>");
            local = "localhost";
            nodeIds[local] = 0;
            names[0] = local;
        }
        auto it = nodeIds.find(local);
        if (it == nodeIds.end())
            throw SystemError("'" + file + "': local node '" + local + "' is not in <nodes>");
        localNode = it->second;
        localNodeName = local;
    }

    bool Configuration::hasArg(const std::string& name) const
    {
        for (size_t i = 1; i < args.size(); ++i)
            if (args[i] == name)
                return true;
        return false;
    }

    std::string Configuration::getArgParam(const std::string& name, const std::string& defval) const
    {
        const std::string eq = name + "=";
        for (size_t i = 1; i < args.size(); ++i)
        {
            std::string value;
            if (args[i] == name)
                value = i + 1 < args.size() ? args[i + 1] : "";
            else if (args[i].rfind(eq, 0) == 0)
                value = args[i].substr(eq.size());
            else
                continue;
            // An option whose value was forgotten must not quietly mean its default.
            if (value.empty() || value.rfind("--", 0) == 0)
                throw SystemError("option " + name + " needs a value");
            return value;
        }
        return defval;
    }

    namespace
    {
        int optionNumber(const std::string& name, const std::string& text, bool given)
        {
            long v = 0;
            if (parseWholeNumber(text, v) && v >= INT_MIN && v <= INT_MAX)
                return static_cast<int>(v);
            throw SystemError(given ? "option " + name + " '" + text + "' is not a whole number"
                                    : "'" + text + "', the setting for " + name + ", is not a whole number");
        }
    }

    int Configuration::getArgInt(const std::string& name, const std::string& defval) const
    {
        const std::string v = getArgParam(name, "");
        if (!v.empty())
            return optionNumber(name, v, true);
        return defval.empty() ? 0 : optionNumber(name, defval, false);
    }

    int Configuration::getArgPInt(const std::string& name, const std::string& strdefval, int defval) const
    {
        const std::string v = getArgParam(name, "");
        if (!v.empty())
            return optionNumber(name, v, true);
        return strdefval.empty() ? defval : optionNumber(name, strdefval, false);
    }

    int Configuration::getArgPInt(const std::string& name, int defval) const { return getArgPInt(name, "", defval); }

    xmlNode* Configuration::getNode(const std::string& name) const
    {
        return xml.findNode(xml.getFirstNode(), name);
    }

    xmlNode* Configuration::findNode(xmlNode* node, const std::string& name) const
    {
        return node ? xml.findNode(node->children, name) : nullptr;
    }

    namespace
    {
        ObjectId lookup(const std::map<std::string, ObjectId>& ids, const std::string& name)
        {
            if (name.empty())
                return DefaultObjectId;
            auto it = ids.find(name);
            return it == ids.end() ? DefaultObjectId : it->second;
        }
    }

    ObjectId Configuration::getSensorID(const std::string& name) const { return lookup(sensorIds, name); }
    ObjectId Configuration::getObjectID(const std::string& name) const { return lookup(objectIds, name); }
    ObjectId Configuration::getControllerID(const std::string& name) const { return lookup(controllerIds, name); }
    ObjectId Configuration::getNodeID(const std::string& name) const { return lookup(nodeIds, name); }

    std::string Configuration::getNameById(ObjectId id) const
    {
        auto it = names.find(id);
        return it == names.end() ? std::string() : it->second;
    }

    const SensorDescription* Configuration::getSensor(ObjectId id) const
    {
        auto it = sensorIndex.find(id);
        return it == sensorIndex.end() ? nullptr : &sensors[it->second];
    }

    UniversalIO::IOTypes Configuration::getIOType(ObjectId id) const
    {
        const SensorDescription* s = getSensor(id);
        return s ? s->iotype : UniversalIO::UnknownIOType;
    }

    void Configuration::initDebug(DebugStream& deb, const std::string& name) const
    {
        UniXML_iterator it(getNode("logs"));
        if (it.getCurrent() && it.goChildren())
        {
            for (; it.valid(); it.goNext())
            {
                if (it.getProp("name") != name)
                    continue;
                const std::string lv = it.getProp("levels");
                try
                {
                    deb.level(Debug::value(lv));
                }
                catch (const Exception& ex)
                {
                    throw SystemError("'" + confFile + "': <logs> stream '" + name + "': " + ex.text);
                }
                const std::string file = it.getProp("file");
                if (!file.empty())
                    deb.logFile(file.front() == '/' ? file : logDir + file);
                break;
            }
        }
        const std::string opt = getArgParam("--" + name + "-levels", "");
        if (!opt.empty())
        {
            try
            {
                deb.level(Debug::value(opt));
            }
            catch (const Exception& ex)
            {
                throw SystemError("--" + name + "-levels: " + ex.text);
            }
        }
        const std::string logfile = getArgParam("--" + name + "-logfile", "");
        if (!logfile.empty())
            deb.logFile(logfile);
    }
}
