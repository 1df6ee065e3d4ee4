#include "NtpResponder.h"

#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"
#include "runtime/posix/StampedReceive.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::int8_t kPrecision = -20;             // about a microsecond, like a GPS-disciplined clock
constexpr std::uint32_t kGpsReference = 0x47505300; // "GPS"
constexpr std::uint32_t kLoopbackReference = 0x7F000001;

std::int64_t Micros(const DeviceTime& time) {
    return time.seconds * 1000000 + time.micros;
}

// How long the request waited in the socket before this loop took it; 0 when the kernel did not say.
std::int64_t WaitedMicros(const std::optional<std::int64_t>& arrivalUnixMicros) {
    return arrivalUnixMicros ? std::max<std::int64_t>(RealTimeMicros() - *arrivalUnixMicros, 0) : 0;
}

SntpPacket Answer(const SntpPacket& request, const NtpSetting& setting, std::int64_t receivedMicros,
                  std::int64_t sentMicros) {
    const NtpTimestamp served = NtpFromUnixMicros(sentMicros + setting.offsetMicros);
    SntpPacket answer;
    answer.leap = static_cast<std::uint8_t>(setting.leap);
    answer.version = request.version;
    answer.mode = kModeServer;
    answer.stratum = setting.kissCode != 0 ? 0 : static_cast<std::uint8_t>(setting.stratum);
    answer.poll = request.poll;
    answer.precision = kPrecision;
    answer.referenceId = setting.kissCode != 0  ? setting.kissCode
                         : setting.stratum <= 1 ? kGpsReference
                                                : kLoopbackReference;
    answer.reference = served;
    answer.originate = request.transmit;
    answer.receive = NtpFromUnixMicros(receivedMicros + setting.offsetMicros + setting.receiveShiftMicros);
    answer.transmit = served;
    return answer;
}

} // namespace

int OpenNtpSocket(const std::string& address, unsigned short port, std::string& error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (fd < 0 || inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = "cannot bind UDP " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    AskForArrivalStamps(fd);
    return fd;
}

int AnswerNtpRequests(int fd, const NtpSetting& setting, const CDeviceClock& clock) {
    for (int requests = 0;;) {
        std::uint8_t datagram[kSntpPacketSize + 1];
        sockaddr_in sender{};
        std::optional<std::int64_t> arrival;
        const ssize_t received = ReceiveStamped(fd, datagram, sizeof datagram, &sender, arrival);
        if (received < 0) {
            return requests; // drained (or failed: the next request gets its own turn)
        }
        const std::int64_t receivedMicros = Micros(clock.Now()) - WaitedMicros(arrival);
        const std::optional<SntpPacket> request =
            DecodeSntp(std::span<const std::uint8_t>(datagram, static_cast<std::size_t>(received)));
        if (!request || request->mode != kModeClient) {
            continue;
        }
        ++requests;
        if (setting.silent) {
            continue;
        }
        const SntpBytes answer = EncodeSntp(Answer(*request, setting, receivedMicros, Micros(clock.Now())));
        (void)sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&sender),
                     sizeof sender);
    }
}
