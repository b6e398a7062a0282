#include "ControlWorld.h"

#include <gtest/gtest.h>

#include "AutomatMessages.h"
#include "Exceptions.h"
#include "UniXML.h"

using namespace UniSetTypes;

namespace control_test
{
    namespace
    {
        const char* const body = R"(
  <LocalNode name="localhost"/>
  <settings>
    <RavnaLogic name="RavnaLogic" QC="QC1" checkTime="1000"
        QGM1_State_s="QGM1_On_S" QGM2_State_s="QGM2_On_S" QGM3_State_s="QGM3_On_S" QGM4_State_s="QGM4_On_S"
        QC_State_s="QC_On_S" Group1_ReservPower_as="Group1_Reserv_AS" Group2_ReservPower_as="Group2_Reserv_AS"
        SES_ReservPower_as="SES_Reserv_AS"/>
    <QC1 name="QC1" OnTime="2000" OffTime="2000" DischargeOffTime="1000" OnSyncTime="3000" stateTimeOut="500"
        CommandTime="500" minWaitingTime="300" askTimeout="1000" askPause="2000" offPause="200"
        State_On_s="QC1_State_On_s" State_Off_s="QC1_State_Off_s" Protection_s="QC1_Protection_s"
        Synchro_Failure_s="QC1_Synchro_Failure_s" On_c="QC1_On_c" Off_c="QC1_Off_c" SyncOn_c="QC1_SyncOn_c"
        State_NA_s="QC1_State_NA_s" mid_HandOn="QC1_mid" mid_HandOff="QC1_mid" mid_NotOn="QC1_mid"
        mid_NotOff="QC1_mid" mid_SyncFailure="QC1_mid" mid_SyncOn="QC1_mid" mid_NotResetProtection="QC1_mid"
        mid_CurrentProtection_Att="QC1_mid" mid_NA_Att="QC1_mid"/>
    <prioritylist name="PriorityController">
      <list name="Prio_Sel1_S">
        <item id="SES1_Priority_s" priority="1"/>
        <item id="SES2_Priority_s" priority="2"/>
      </list>
      <list name="Prio_Sel2_S">
        <item id="SES1_Priority_s" priority="2"/>
        <item id="SES2_Priority_s" priority="1"/>
      </list>
      <list default="1">
        <item id="SES1_Priority_s" priority="3"/>
        <item id="SES2_Priority_s" priority="4"/>
      </list>
    </prioritylist>
    <structure>
      <group num="1" noReserv_s="G1_NoReserv_S" readyForLoading_s="G1_ReadyForLoading_S" P_as="G1_P_AS"
          U_as="G1_U_AS" f_as="G1_f_AS" fdev_c="G1_fdev_C" Udev_c="G1_Udev_C" ReservPower_as="G1_ReservPower_AS"
          requiredReserv_s="G1_RequiredReserv_S">
        <item name="SES1"/>
        <item name="SES2"/>
      </group>
      <group num="2" noReserv_s="G2_NoReserv_S" readyForLoading_s="G2_ReadyForLoading_S" P_as="G2_P_AS"
          U_as="G2_U_AS" f_as="G2_f_AS" fdev_c="G2_fdev_C" Udev_c="G2_Udev_C" ReservPower_as="G2_ReservPower_AS"
          requiredReserv_s="G2_RequiredReserv_S">
        <item name="SES3"/>
      </group>
      <group num="3">
        <item name="SES4"/>
      </group>
    </structure>
  </settings>
  <nodes>
    <item id="1" name="localhost"/>
  </nodes>
  <sensors>
    <item id="100" name="SES1_Priority_s" iotype="AI"/>
    <item id="101" name="SES2_Priority_s" iotype="AI"/>
    <item id="102" name="SES3_Priority_s" iotype="AI"/>
    <item id="110" name="Prio_Sel1_S" iotype="DI"/>
    <item id="111" name="Prio_Sel2_S" iotype="DI"/>
    <item id="120" name="G1_NoReserv_S" iotype="DI"/>
    <item id="121" name="G1_ReadyForLoading_S" iotype="DI"/>
    <item id="122" name="G1_P_AS" iotype="AI"/>
    <item id="123" name="G1_U_AS" iotype="AI"/>
    <item id="124" name="G1_f_AS" iotype="AI"/>
    <item id="125" name="G1_fdev_C" iotype="DO"/>
    <item id="126" name="G1_Udev_C" iotype="DO"/>
    <item id="127" name="G1_ReservPower_AS" iotype="AI"/>
    <item id="128" name="G1_RequiredReserv_S" iotype="DI"/>
    <item id="130" name="G2_NoReserv_S" iotype="DI"/>
    <item id="131" name="G2_ReadyForLoading_S" iotype="DI"/>
    <item id="132" name="G2_P_AS" iotype="AI"/>
    <item id="133" name="G2_U_AS" iotype="AI"/>
    <item id="134" name="G2_f_AS" iotype="AI"/>
    <item id="135" name="G2_fdev_C" iotype="DO"/>
    <item id="136" name="G2_Udev_C" iotype="DO"/>
    <item id="137" name="G2_ReservPower_AS" iotype="AI"/>
    <item id="138" name="G2_RequiredReserv_S" iotype="DI"/>
    <item id="150" name="QGM1_On_S" iotype="DI"/>
    <item id="151" name="QGM2_On_S" iotype="DI"/>
    <item id="152" name="QGM3_On_S" iotype="DI"/>
    <item id="153" name="QGM4_On_S" iotype="DI"/>
    <item id="154" name="QC_On_S" iotype="DI"/>
    <item id="155" name="Group1_Reserv_AS" iotype="AI"/>
    <item id="156" name="Group2_Reserv_AS" iotype="AI"/>
    <item id="157" name="SES_Reserv_AS" iotype="AI"/>
    <item id="160" name="QC1_State_On_s" iotype="DI"/>
    <item id="161" name="QC1_State_Off_s" iotype="DI" default="1"/>
    <item id="162" name="QC1_Protection_s" iotype="DI"/>
    <item id="163" name="QC1_Synchro_Failure_s" iotype="DI"/>
    <item id="164" name="QC1_On_c" iotype="DO"/>
    <item id="165" name="QC1_Off_c" iotype="DO"/>
    <item id="166" name="QC1_SyncOn_c" iotype="DO"/>
    <item id="167" name="QC1_State_NA_s" iotype="DI"/>
    <item id="168" name="QC1_mid" iotype="DI"/>
  </sensors>
  <objects>
    <item id="5500" name="RavnaLogic"/>
    <item id="5501" name="QC1"/>
    <item id="5502" name="PriorityController"/>
    <item id="5503" name="Supervisor"/>
  </objects>
)";
    }

    std::string controlWorld(const Edits& edits) { return testing_support::edited(body, edits, "the control world"); }

    std::vector<int> commandsTo(UniSetObject& breaker)
    {
        std::vector<int> out;
        for (const VoidMessage& vm : testing_support::drain(breaker))
        {
            if (vm.type != AutomatMessage::MessageTypeID)
                continue;
            const AutomatMessage am(&vm);
            if (am.kind == AutomatMessage::kCommand)
                out.push_back(am.code);
        }
        return out;
    }

    xmlNode* groupElement(testing_support::TestWorld& world, int num)
    {
        UniXML_iterator it(world.cfg().getNode("structure"));
        if (it.goChildren())
            for (; it.valid(); it.goNext())
                if (it.getIntProp("num") == num)
                    return it;
        ADD_FAILURE() << "no <group num=" << num << ">";
        return nullptr;
    }
}
