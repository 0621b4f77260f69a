// linkwart-device: a controller on this machine, so Linkwart can be tried and
// tested without a device. It answers the query byte F5 on UDP the way the
// options say, and writes one line per datagram to standard output.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "device_socket.h"
#include "options.h"

namespace {

using Clock = std::chrono::steady_clock;
using Datagram = std::vector<std::uint8_t>;

// "!" and a four-byte number, most significant byte first.
Datagram MarkedNumber(std::uint32_t number) {
    return {device::kReplyMarker, static_cast<std::uint8_t>(number >> 24),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number)};
}

// What one query is answered with, in sending order.
std::vector<Datagram> AnswerTo(const device::Options& options, std::uint32_t query) {
    Datagram first;
    switch (options.answer) {
        case device::Answer::Silent:
            return {};
        case device::Answer::Normal:
            first = MarkedNumber(query);
            break;
        case device::Answer::Bytes:
            first = options.reply;
            break;
        case device::Answer::Empty:
            break;
        case device::Answer::Size:
            first.resize(static_cast<std::size_t>(options.size));
            first[0] = device::kReplyMarker;
            for (std::size_t i = 1; i < first.size(); ++i)
                first[i] = static_cast<std::uint8_t>('a' + i % 26);
            break;
    }
    std::vector<Datagram> answer{first};
    // The followers would all be accepted, so a client that reads more than
    // the first datagram shows it when the first one is not a reply.
    for (int i = 1; i < options.flood; ++i)
        answer.push_back(MarkedNumber(static_cast<std::uint32_t>(i)));
    return answer;
}

std::string Describe(const std::vector<Datagram>& answer) {
    if (answer.empty()) return "no answer";
    std::string text = "answer of " + std::to_string(answer.front().size()) + " bytes";
    if (answer.size() > 1) text += " and " + std::to_string(answer.size() - 1) + " more datagrams";
    return text;
}

void Say(const std::string& line) {
    // Each line at once: a test or a person watches it while the tool runs.
    std::cout << line << std::endl;
}

// Written under another name first, so a reader never sees half a number.
void WriteReadyFile(const std::string& path, std::uint16_t port) {
    const std::filesystem::path target(path);
    std::filesystem::path partial = target;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << port << '\n';
        if (!out) throw std::runtime_error("cannot write " + partial.string());
    }
    std::error_code error;
    std::filesystem::remove(target, error);  // renaming onto a file fails on Windows
    std::filesystem::rename(partial, target, error);
    if (error) throw std::runtime_error("cannot write " + path + ": " + error.message());
}

struct Pending {
    Clock::time_point due;
    long query = 0;
    device::Endpoint to;
    std::vector<Datagram> datagrams;
};

void SendAnswer(device::UdpSocket& socket, const Pending& pending, bool late) {
    for (const Datagram& datagram : pending.datagrams) {
        try {
            socket.Send(pending.to, datagram.data(), datagram.size());
        } catch (const device::SocketError& error) {
            Say("query " + std::to_string(pending.query) + ": " + error.what());
            return;
        }
    }
    if (late)
        Say("query " + std::to_string(pending.query) + ": " + Describe(pending.datagrams) +
            " sent");
}

int Serve(const device::Options& options) {
    device::InstallStopHandlers();
    device::UdpSocket socket({options.address, options.port});
    const device::Endpoint local{options.address, socket.LocalPort()};
    Say("linkwart-device listening on " + device::ToText(local));
    if (!options.readyFile.empty()) WriteReadyFile(options.readyFile, local.port);

    std::vector<std::uint8_t> buffer(65536);
    std::deque<Pending> pending;  // due in order: every answer waits the same delay
    long queries = 0;
    while (!device::StopRequested()) {
        const bool done = options.count > 0 && queries >= options.count;
        if (done && pending.empty()) break;

        int timeoutMs = -1;
        if (!pending.empty()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(pending.front().due - Clock::now());
            timeoutMs = left.count() < 0 ? 0 : static_cast<int>(left.count());
        }
        const bool readable = socket.WaitReadable(timeoutMs);
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            SendAnswer(socket, pending.front(), true);
            pending.pop_front();
        }
        if (!readable) continue;

        std::size_t length = 0;
        device::Endpoint from;
        if (!socket.Receive(buffer.data(), buffer.size(), length, from)) continue;
        const std::string sender = device::ToText(from);
        if (done) {
            // Read all the same, or the wait for the last late answers
            // would wake for it again and again.
            Say("datagram of " + std::to_string(length) + " bytes from " + sender +
                ": after the last query, no answer");
            continue;
        }
        if (length != 1 || buffer[0] != device::kQuery) {
            Say("datagram of " + std::to_string(length) + " bytes from " + sender +
                ": not the query, no answer");
            continue;
        }
        ++queries;
        Pending answer{Clock::now() + std::chrono::milliseconds(options.delayMs), queries, from,
                       AnswerTo(options, static_cast<std::uint32_t>(queries))};
        std::string line = "query " + std::to_string(queries) + " from " + sender + ": " +
                           Describe(answer.datagrams);
        if (options.delayMs > 0 && !answer.datagrams.empty()) {
            Say(line + " in " + std::to_string(options.delayMs) + " ms");
            pending.push_back(std::move(answer));
        } else {
            Say(line);
            SendAnswer(socket, answer, false);
        }
    }
    Say("linkwart-device stopped after " + std::to_string(queries) + " queries");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const device::ParseResult parsed = device::ParseOptions(arguments);
    if (!parsed.options) {
        std::cerr << "linkwart-device: " << parsed.error
                  << "\n(linkwart-device --help lists the options)\n";
        return 2;
    }
    if (parsed.options->help) {
        std::cout << device::UsageText();
        return 0;
    }
    try {
        return Serve(*parsed.options);
    } catch (const std::exception& error) {
        std::cerr << "linkwart-device: " << error.what() << '\n';
        return 1;
    }
}
