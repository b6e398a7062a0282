// The item table of the process skeleton: the items, alarm messages and settings an
// X_SK declares in its list (SkeletonMacros.h), and their reading at construction
// from the object's configuration node and the command line, with the checks that
// refuse an object built on a wrong configuration.
#pragma once

#include <atomic>
#include <libxml/tree.h>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "Configuration.h"
#include "UniSetTypes.h"

namespace ravna::sk
{
    enum class Direction
    {
        in,
        out
    };
    inline constexpr Direction dir_in = Direction::in;
    inline constexpr Direction dir_out = Direction::out;

    inline constexpr UniversalIO::IOTypes DI = UniversalIO::DigitalInput;
    inline constexpr UniversalIO::IOTypes DO = UniversalIO::DigitalOutput;
    inline constexpr UniversalIO::IOTypes AI = UniversalIO::AnalogInput;
    inline constexpr UniversalIO::IOTypes AO = UniversalIO::AnalogOutput;

    inline constexpr bool need_mandatory = true;
    inline constexpr bool need_optional = false;

    constexpr bool isDigitalType(UniversalIO::IOTypes t)
    {
        return t == UniversalIO::DigitalInput || t == UniversalIO::DigitalOutput;
    }

    // Item values are atomic: other threads read them through the classes' queries
    // (a station asks its monitors, a monitor reads its breaker's state).
    template <UniversalIO::IOTypes T>
    using Value = std::conditional_t<isDigitalType(T), std::atomic<bool>, std::atomic<long>>;

    using setting_flag = bool;
    using setting_number = int;

    // One item value, bool or long, seen as a number.
    class ValueRef
    {
    public:
        explicit ValueRef(std::atomic<bool>& v) : b(&v) {}
        explicit ValueRef(std::atomic<long>& v) : l(&v) {}
        long get() const { return b ? (b->load() ? 1 : 0) : l->load(); }
        void set(long v) const
        {
            if (b)
                b->store(v != 0);
            else
                l->store(v);
        }

    private:
        std::atomic<bool>* b = nullptr;
        std::atomic<long>* l = nullptr;
    };

    struct Item
    {
        const char* name;
        Direction dir;
        UniversalIO::IOTypes type;
        bool mandatory;
        long defaultValue;
        UniSetTypes::ObjectId fixedId;   // DefaultObjectId: named by the object's node
        UniSetTypes::ObjectId* id;
        UniSetTypes::ObjectId* node;
        ValueRef value;
        ValueRef prev;

        bool isInput() const { return dir == Direction::in; }
        bool isFixed() const { return fixedId != UniSetTypes::DefaultObjectId; }
    };

    struct Message
    {
        const char* name;
        UniSetTypes::ObjectId* id;
        UniSetTypes::ObjectId* node;
    };

    struct Setting
    {
        Setting(const char* n, const char* d, bool& f) : name(n), defaultText(d), flag(&f) {}
        Setting(const char* n, const char* d, int& v) : name(n), defaultText(d), number(&v) {}
        const char* name;
        const char* defaultText;
        bool* flag = nullptr;
        int* number = nullptr;
    };

    struct Layout
    {
        std::vector<Item> items;
        std::vector<Message> messages;
        std::vector<Setting> settings;
    };

    // "%i" as the C scanner reads it: decimal, 0 octal, 0x hexadecimal; no number gives 0.
    int scanInt(const std::string& text);
    // The first of an option's value, an attribute and a default that is not empty.
    const std::string& firstNonEmpty(const std::string& option, const std::string& attribute,
                                     const std::string& defaultText);

    // --- reading the table at construction, from the object's node and the command line

    // The ids and nodes the node names for the items and messages (a fixed item sits on
    // the local node), and the class settings: option, attribute, default text.
    void readIds(const Layout& layout, const UniSetTypes::Configuration& c, xmlNode* node);
    // --print-id-list: one "id:N" line for every item and message the node names.
    void printIds(const Layout& layout, std::ostream& os);
    // Refuses, naming the object and the item, a mandatory item without an id or of
    // another I/O type and a node name that is not known; an item or message without a
    // node is on the local node.
    void checkIds(const Layout& layout, const UniSetTypes::Configuration& c, xmlNode* node,
                  const std::string& objectName);
    // The starting values: --name-default, then the attribute name_default, then the
    // declared default; every previous value equal to its value.
    void applyDefaults(const Layout& layout, const UniSetTypes::Configuration& c, xmlNode* node);
}
