#include "SkeletonSupport.h"

RAVNA_SKELETON_DEFINITION(Probe_SK, "Probe", 130, 5, "On_S")

std::string probeWorld(const std::string& nodeAttributes)
{
    return R"(
  <LocalNode name="localhost"/>
  <HeartBeatTime time_msec="3000"/>
  <settings>
    <Probe name="Probe" )" +
           nodeAttributes + R"(/>
  </settings>
  <nodes>
    <item id="1" name="localhost"/>
    <item id="2" name="node2"/>
  </nodes>
  <sensors>
    <item id="100" name="State_AS" iotype="AI"/>
    <item id="101" name="On_S" iotype="DI"/>
    <item id="102" name="On_C" iotype="DO"/>
    <item id="103" name="Level_AS" iotype="AI"/>
    <item id="104" name="NotOn_M" iotype="DI"/>
    <item id="105" name="NotOff_M" iotype="DI"/>
    <item id="106" name="HeartBeat_AS" iotype="AI"/>
  </sensors>
  <objects>
    <item id="5000" name="Probe"/>
  </objects>)";
}

