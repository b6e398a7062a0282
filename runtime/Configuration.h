// The program's configuration: the XML file named by --confile and the command line.
// docs/configure.md describes the file.
#pragma once

#include <libxml/tree.h>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DebugStream.h"
#include "Directory.h"
#include "UniSetTypes.h"
#include "UniXML.h"

namespace UniSetTypes
{
    struct SensorDescription
    {
        ObjectId id = DefaultObjectId;
        std::string name;
        UniversalIO::IOTypes iotype = UniversalIO::UnknownIOType;
        long defaultValue = 0;
        std::string textname;
    };

    class Configuration : public uniset::Directory
    {
    public:
        // Reads the file named by --confile (else defaultConfile). Throws
        // UniSetTypes::SystemError with one line naming the file and what is wrong.
        Configuration(int argc, const char* const* argv, const std::string& defaultConfile = "configure.xml");
        // From XML text: for tests and tools.
        static std::unique_ptr<Configuration> fromString(const std::string& xml, std::vector<std::string> args = {});
        ~Configuration();

        // --- command line
        int getArgc() const { return static_cast<int>(args.size()); }
        const std::vector<std::string>& getArgs() const { return args; }
        bool hasArg(const std::string& name) const;
        // The value after "--name" (or of "--name=value"), else defval. Throws
        // SystemError when the option is there without a value (empty, last, or
        // followed by another option).
        std::string getArgParam(const std::string& name, const std::string& defval = "") const;
        // The option's value as a whole number, else defval's, else 0; a value that is
        // not a whole number throws SystemError.
        int getArgInt(const std::string& name, const std::string& defval = "") const;
        // The option's value, else the text default, else the number default (numbers as getArgInt).
        int getArgPInt(const std::string& name, const std::string& strdefval, int defval) const;
        int getArgPInt(const std::string& name, int defval) const;

        // --- XML
        UniXML& getConfXML() { return xml; }
        const std::string& getConfFileName() const { return confFile; }
        xmlNode* getNode(const std::string& name) const;
        xmlNode* findNode(xmlNode* node, const std::string& name) const;
        std::string getProp(const xmlNode* node, const std::string& name) const { return UniXML::getProp(node, name); }
        int getIntProp(const xmlNode* node, const std::string& name) const { return UniXML::getIntProp(node, name); }
        int getPIntProp(const xmlNode* node, const std::string& name, int def) const { return UniXML::getPIntProp(node, name, def); }
        xmlNode* getXMLSensorsSection() const { return sensorsSection; }
        xmlNode* getXMLObjectsSection() const { return objectsSection; }

        // --- identifiers (-1 when not found or empty)
        ObjectId getSensorID(const std::string& name) const;
        ObjectId getObjectID(const std::string& name) const;
        ObjectId getControllerID(const std::string& name) const;
        ObjectId getNodeID(const std::string& name) const;
        ObjectId getLocalNode() const { return localNode; }
        const std::string& getLocalNodeName() const { return localNodeName; }
        // Any id (sensor, object, controller or node) to its name; "" when unknown.
        std::string getNameById(ObjectId id) const;
        UniversalIO::IOTypes getIOType(ObjectId id) const;
        const SensorDescription* getSensor(ObjectId id) const;
        const std::vector<SensorDescription>& getSensors() const { return sensors; }
        // For a program that uses the store: throws SystemError naming the file when the
        // sensor list is missing or empty (the store would hold nothing).
        void requireSensors() const;

        // --- settings
        const std::string& getLogDir() const { return logDir; }
        int getHeartBeatTime() const { return heartBeatTime; }
        // Applies the levels configured for the stream name: the <logs> entry, then --<name>-levels.
        void initDebug(DebugStream& deb, const std::string& name) const;

    private:
        Configuration() = default;
        // What the runtime's core asks of it.
        std::string nameOf(ObjectId id) const override { return getNameById(id); }
        ObjectId localNodeId() const override { return localNode; }
        int intOption(const std::string& name, int def) const override { return getArgPInt(name, def); }
        void load(const std::string& file, bool fromText, const std::string& text);
        void readIds();
        // Refuses a sensor list anywhere but directly in the root element.
        void checkSensorList(xmlNode* list) const;

        std::vector<std::string> args;
        std::string confFile;
        UniXML xml;
        xmlNode* sensorsSection = nullptr;
        xmlNode* objectsSection = nullptr;
        std::vector<SensorDescription> sensors;
        std::unordered_map<ObjectId, size_t> sensorIndex;
        std::map<std::string, ObjectId> sensorIds, objectIds, controllerIds, nodeIds;
        std::unordered_map<ObjectId, std::string> names;
        ObjectId localNode = DefaultObjectId;
        std::string localNodeName;
        std::string logDir;
        int heartBeatTime = 0;
    };

    // The program-wide configuration, made by uniset_init (ProgramMain.h) or a test.
    extern Configuration* conf;
}
