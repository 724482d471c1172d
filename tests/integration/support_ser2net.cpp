#include "tests/integration/support_ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace {

const double kStartSeconds = 5.0;
const int kPollMicroseconds = 20000;

sockaddr_in Loopback(int port) {
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = Loopback(port);
    const int ok = connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int FreeTcpPort(void) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

int DeviceServerStart(const char* accepter, const char* device, DeviceServerProcess* server,
                      std::string* error) {
    char dir[] = "/tmp/kovexa_ser2net_XXXXXX";
    if (!mkdtemp(dir)) {
        *error = "no temporary folder";
        return 0;
    }
    server->dir = dir;
    server->port = FreeTcpPort();
    const std::string config = server->dir + "/ser2net.yaml";
    std::ofstream(config) << "connection: &sensor\n"
                          << "  accepter: " << accepter << ",127.0.0.1," << server->port
                          << "\n  connector: serialdev," << device
                          << ",19200n81,local\n"
                          // Bytes go on as they come: waiting for a pause in
                          // the sensor's answer only delays it.
                          << "  options:\n    chardelay: false\n";
    const std::string log = server->dir + "/ser2net.log";
    const std::string pidFile = server->dir + "/pid";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // -n: stay in the foreground, -u: no UUCP lock on the device.
    const char* argv[] = {"ser2net",       "-n",   "-u", "-c", config.c_str(), "-P",
                          pidFile.c_str(), nullptr};
    const int spawned =
        posix_spawnp(&server->pid, "ser2net", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        server->pid = 0;
        *error = "cannot start ser2net (scripts/deps installs it)";
        return 0;
    }
    for (int waited = 0; !Accepts(server->port); waited += kPollMicroseconds) {
        if (waitpid(server->pid, nullptr, WNOHANG) != 0) {
            server->pid = 0;
            *error = "ser2net ended at start: " + ReadAll(log);
            return 0;
        }
        if (waited > kStartSeconds * 1e6) {
            *error = "ser2net not listening: " + ReadAll(log);
            return 0;
        }
        usleep(kPollMicroseconds);
    }
    return 1;
}

void DeviceServerStop(DeviceServerProcess* server) {
    if (server->pid > 0) {
        kill(server->pid, SIGTERM);
        waitpid(server->pid, nullptr, 0);
        server->pid = 0;
    }
    if (server->dir.empty()) return;
    for (const char* file : {"/ser2net.yaml", "/ser2net.log", "/pid"})
        unlink((server->dir + file).c_str());
    rmdir(server->dir.c_str());
    server->dir.clear();
}
