#include "SkeletonAlarms.h"

#include "DebugStream.h"
#include "Exceptions.h"

using namespace UniSetTypes;

namespace ravna::sk
{
    namespace
    {
        void writeMessage(const Access& self, const Message& m, bool state)
        {
            self.ui.saveState(sensorAt(*m.id, *m.node), state, UniversalIO::DigitalInput, self.id);
        }
    }

    bool raiseAlarm(const Access& self, const Layout& layout, std::vector<bool>& states, ObjectId code, bool state)
    {
        if (code == DefaultObjectId)
        {
            unideb.crit() << self.name << "(alarm): попытка послать сообщение с DefaultObjectId" << std::endl;
            return false;
        }
        unideb.level1() << self.name << "(alarm): " << (state ? "SEND " : "RESET ") << std::endl;
        for (size_t i = 0; i < layout.messages.size(); ++i)
        {
            const Message& m = layout.messages[i];
            if (*m.id != code)
                continue;
            unideb(Debug::LEVEL1) << m.name << std::endl;
            states[i] = state;
            try
            {
                writeMessage(self, m, state);
                return true;
            }
            catch (const Exception& ex)
            {
                unideb.crit() << self.name << "(alarm): " << ex << std::endl;
                return false;
            }
        }
        unideb(Debug::LEVEL1) << " not found MessgeOID?!!" << std::endl;
        return false;
    }

    void resetAlarms(const Access& self, const Layout& layout, std::vector<bool>& states)
    {
        for (size_t i = 0; i < layout.messages.size(); ++i)
        {
            const Message& m = layout.messages[i];
            states[i] = false;
            if (*m.id == DefaultObjectId)
                continue;
            try
            {
                writeMessage(self, m, false);
            }
            catch (const Exception& ex)
            {
                unideb.level1() << self.name << ex << std::endl;
            }
        }
    }
}
