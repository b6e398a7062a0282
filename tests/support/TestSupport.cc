#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "Exceptions.h"
#include "Process.h"
#include "Store.h"

namespace testing_support
{
    std::string configXml(const std::string& body)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configure>\n" + body + "\n</configure>\n";
    }

    std::string readFile(const std::string& path, bool mustExist)
    {
        std::ifstream in(path);
        if (!in && mustExist)
            throw std::runtime_error("cannot read " + path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::string benchConfigurationBody()
    {
        const std::string file = readFile(sourcePath("config/configure.xml"));
        const std::string open = "<configure>";
        const size_t begin = file.find(open) + open.size();
        return file.substr(begin, file.rfind("</configure>") - begin);
    }

    std::string edited(std::string text, const Edits& edits, const std::string& what)
    {
        for (const auto& [from, to] : edits)
        {
            const size_t at = text.find(from);
            if (at == std::string::npos)
                ADD_FAILURE() << "no '" << from << "' in " << what;
            else
                text.replace(at, from.size(), to);
        }
        return text;
    }

    size_t occurrences(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
            ++n;
        return n;
    }

    TestWorld::TestWorld(const std::string& body, std::vector<std::string> args)
    {
        uniset::setClock(&manual);
        if (args.empty())
            args.emplace_back("test");
        config = UniSetTypes::Configuration::fromString(configXml(body), args);
        UniSetTypes::conf = config.get();
        memory = std::make_unique<uniset::InProcessStore>(*config);
        uniset::setStore(memory.get());
    }

    TestWorld::~TestWorld()
    {
        uniset::setStore(nullptr);
        memory.reset();
        UniSetTypes::conf = nullptr;
        config.reset();
        uniset::setClock(nullptr);
    }

    UniSetTypes::ObjectId TestWorld::id(const std::string& name) const
    {
        auto sid = config->getSensorID(name);
        if (sid == UniSetTypes::DefaultObjectId)
            sid = config->getObjectID(name);
        return sid;
    }

    void TestWorld::set(const std::string& sensor, long value)
    {
        memory->setValue(id(sensor), value, UniSetTypes::DefaultObjectId);
    }

    long TestWorld::get(const std::string& sensor) { return memory->getValue(id(sensor)); }

    std::vector<long> TestWorld::writesOf(const std::string& sensor) const
    {
        const UniSetTypes::ObjectId sid = id(sensor);
        std::vector<long> out;
        for (const auto& w : memory->writes())
            if (w.id == sid)
                out.push_back(w.value);
        return out;
    }

    void startUp(UniSetObject& obj)
    {
        obj.activateObject();
        obj.push(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::StartUp).transport());
        obj.callback();
    }

    void FailingStore::setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier)
    {
        if (failWrites.count(id))
            throw UniSetTypes::Exception("(setValue): sensor " + std::to_string(id) + " cannot be written");
        inner.setValue(id, value, supplier);
    }

    void FailingStore::ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer)
    {
        if (failAsks.count(id) && askFailuresLeft-- > 0)
            throw UniSetTypes::Exception("(ask): sensor " + std::to_string(id) + " cannot be asked");
        inner.ask(id, cmd, consumer);
    }

    ScopedFailingStore::ScopedFailingStore(testing_support::TestWorld& w) : store(w.store()), world(w)
    {
        uniset::setStore(&store);
    }

    ScopedFailingStore::~ScopedFailingStore() { uniset::setStore(&world.store()); }

    std::vector<UniSetTypes::VoidMessage> drain(UniSetObject& obj)
    {
        std::vector<UniSetTypes::VoidMessage> out;
        UniSetTypes::VoidMessage vm;
        while (obj.receiveMessage(vm))
            out.push_back(vm);
        return out;
    }

    void BusyWriter::start()
    {
        thread = std::thread([this] {
            for (long v = 1; !stop; ++v)
            {
                store.setValue(sensor, v % 2, UniSetTypes::DefaultObjectId);
                ++count;
            }
        });
    }

    BusyWriter::~BusyWriter()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

    LateDeliveryProbe::~LateDeliveryProbe()
    {
        dying = true;
        const long from = writer.writes();
        waitFor([&] { return writer.writes() >= from + 200; });
    }

    void LateDeliveryProbe::push(const UniSetTypes::TransportMessage& msg)
    {
        if (dying)
            ++late;
        UniSetObject::push(msg);
    }

    bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds bound)
    {
        const auto end = std::chrono::steady_clock::now() + bound;
        while (std::chrono::steady_clock::now() < end)
        {
            if (cond())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return cond();
    }

    TempDir::TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ravna-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        dir = tmpl;
    }

    TempDir::~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void TempDir::write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path(name)) << text;
    }

    std::string TempDir::read(const std::string& name) const { return readFile(path(name), false); }

    LogCapture::LogCapture(DebugStream& s) : stream(s), saved(s)
    {
        stream.level(Debug::ANY);
        stream.logFile(file());
    }

    LogCapture::~LogCapture() { stream = saved; }
}
