// A service of its own for a registry test: the tablespace "DazEvure" of
// the shared fixtures with three applications and three plug-ins, plus a
// tablespace without the plug-in table and a tablespace "Car" with version
// tables.
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "DbDesc.h"
#include "DbDescMap.h"
#include "ServiceFixture.h"

namespace registrytest {

inline std::string FixtureText(const std::string& name) {
    std::ifstream in(std::string(LUR_FIXTURES_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr const char* kExtraSchema = R"(
tablespace NoPlug 5
table APPLICATION
  field APP_ID         l 4  u
  field APP_SHORTNAME  c 21 d

tablespace Car 7 1.0.0.3
table DBVER
  field VERID  l 4  u
  field VER    c 21 n
  field ID     c 21 n
table EMPTYVER
  field VERID  l 4  u
  field VER    c 21 n
)";

// Ids above what the counters hand out first, so inserts never collide.
constexpr int kMainId = 100;    // "MAIN", usable, 7.16.0.0, plug-ins 200 and 201
constexpr int kOldId = 101;     // "OLD", not usable, 1.2.0.0, plug-in 202
constexpr int kSecondId = 102;  // "MAIN" again, usable, 2.0.0.0, no plug-ins

class RegistryService {
public:
    RegistryService() : m_service(FixtureText("dazevure.schema") + kExtraSchema) {
        m_service.Load("DazEvure", "APPLICATION",
                       "APP_ID,APP_NAME,APP_SHORTNAME,SYSOK,VER_MAJOR,VER_MINOR,VER_RELEASE,VER_BUILD\n"
                       "100,Main program,MAIN,0x01,7,16,0,0\n"
                       "101,Old tool,OLD,0x00,1,2,0,0\n"
                       "102,Second main,MAIN,0x01,2,0,0,0\n");
        m_service.Load("DazEvure", "PLUGINS",
                       "PLG_ID,PLG_NAME,APP_ID,PLG_SHORTNAME,PLG_LoadMain,VER_MAJOR,VER_MINOR,VER_RELEASE,VER_BUILD\n"
                       "200,Printing,100,print,0x01,7,16,1,0\n"
                       "201,Export,100,export,0x00,1,0,0,0\n"
                       "202,Old part,101,oldpart,0x00,1,0,0,0\n");
    }

    lurtest::ServiceFixture& Service() { return m_service; }
    int32_t Handle() const { return m_service.Handle(); }

    // A description of "DazEvure" (or of another tablespace of the service).
    void LoadDesc(DbDesc& desc, const std::string& name = "DazEvure", int32_t dbNo = 2) {
        m_service.LoadDesc(desc, name, dbNo);
    }

    // Every tablespace of the service, opened on the fixture's handle.
    void OpenAll(DbDescMap& map) {
        map.SetHandle(m_service.Handle());
        if (!map.OpenAll()) throw std::runtime_error("OpenAll failed");
    }

private:
    lurtest::ServiceFixture m_service;
};

}  // namespace registrytest
