// The tokens end to end: made by orvanectl beside orvaned.conf, asked for by the real
// orvaned.
#include "support/RunProgram.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvane::test {
namespace {

TEST(OrvanedAuth, ATokenFileBesideTheConfigurationLocksTheApi) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("rooms").c_str(), 0700), 0);
    dir.Write("rooms/hall.txt", ServiceProcess::RoomText({{"127.0.0.1:1", ""}}));
    dir.Write("orvaned.conf", ServiceProcess::ConfigText(5));
    const ProgramResult control = RunProgram("orvanectl", {"--dir", dir.path(), "token", "add", "ops"});
    const ProgramResult read =
        RunProgram("orvanectl", {"--dir", dir.path(), "token", "add", "wall", "--scope", "read"});
    ASSERT_EQ(control.exitCode, 0) << control.err;
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const std::string controlToken = control.out.substr(0, control.out.find('\n'));
    const std::string readToken = read.out.substr(0, read.out.find('\n'));

    ServiceProcess service(dir.File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    const std::string rooms = service.Url() + "/api/v1/rooms";
    EXPECT_EQ(Curl({service.Url() + "/healthz"}).status, 200);
    EXPECT_EQ(Curl({rooms}).status, 401);
    const CurlResult allowed = Curl({"-H", "Authorization: Bearer " + readToken, rooms});
    EXPECT_EQ(allowed.status, 200);
    EXPECT_NE(allowed.body.find("\"id\":\"hall\""), std::string::npos) << allowed.body;
    EXPECT_EQ(Curl({"-X", "POST", "-H", "Authorization: Bearer " + readToken, "-H", "Content-Type: application/json",
                    "-d", R"({"command":"power_on"})", rooms + "/hall/commands"})
                  .status,
              403);
    EXPECT_EQ(Curl({"-H", "Authorization: Bearer " + controlToken, rooms + "/nowhere"}).status, 404);
}

} // namespace
} // namespace orvane::test
