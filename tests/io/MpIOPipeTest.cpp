// Files that cannot seek, through every I/O class: each row works on a FIFO in a child process
// (so that a row that blocks fails after a few seconds instead of hanging the tests) and
// reports what the other end received, or what the object read, and its first failure.
#include <functional>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include "IOTestSupport.h"
#include "MpIO.h"
#include "MpIODescriptor.h"
#include "MpIOProxy.h"
#include "Mpiounbuffered.h"
#include "TempDir.h"

namespace {

// The test's own end of the FIFO: a reader of what the object writes, or a writer of what the
// object reads.
class FifoPeer {
public:
    explicit FifoPeer(std::string path) : m_path(std::move(path)) {}
    ~FifoPeer() { Hangup(); }

    // Opens the reading end at once, so that the object's write-only open does not wait.
    void Listen() { m_end = open(m_path.c_str(), O_RDONLY | O_NONBLOCK); }
    // Puts bytes into the FIFO for the object to read (they must fit the pipe's capacity). The
    // end stays open until Hangup, so that the object's read-only open does not wait.
    void Send(const std::string& bytes) {
        m_end = open(m_path.c_str(), O_RDWR);
        ssize_t ignored = write(m_end, bytes.data(), bytes.size());
        (void)ignored;
    }
    void Hangup() {
        if (m_end >= 0) close(m_end);
        m_end = -1;
    }
    // Everything the object wrote, once it has closed its end.
    std::string Received() {
        std::string bytes;
        char block[4096];
        ssize_t n;
        while ((n = read(m_end, block, sizeof block)) > 0) bytes.append(block, static_cast<size_t>(n));
        return bytes;
    }

private:
    std::string m_path;
    int m_end = -1;
};

// Runs call and swallows its failure: a caller that catches an error and goes on writing.
void Caught(const std::function<void()>& call) {
    try {
        call();
    } catch (MpException&) {
    }
}

// A row returns what it observed (bytes received or read); "<fifo>" in a failure stands for
// the FIFO's path.
struct PipeRow {
    const char* name;
    std::function<std::string(const char* sPath, FifoPeer& peer)> run;
    std::string observed;
    std::string failure;
};

const std::string kInput = std::string(20000, 'i');

std::string ReadAll(MpInputStreamInterface& in) {
    std::string bytes(40000, '\0');
    bytes.resize(static_cast<size_t>(in.Read(bytes.data(), static_cast<int32_t>(bytes.size()), false)));
    return bytes;
}

// The input read back, told briefly: a failing row prints no 20,000 bytes.
std::string AsInput(const std::string& bytes) {
    return bytes == kInput ? "the input" : std::to_string(bytes.size()) + " other bytes";
}

const PipeRow kRows[] = {
    {"a grown buffer does not write its bytes again",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_WRITE);
         writer.Write("AAAA", 4);
         writer.SetBufferSize(16000);
         writer.Write("BBBB", 4);
         writer.Close();
         return peer.Received();
     },
     "AAAABBBB", ""},
    {"failed seeks and truncation that the caller catches do not write bytes again",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_READ | IO_WRITE);
         writer.Write("AAAA", 4);
         Caught([&] { writer.Seek64FromEnd(0); });
         writer.Write("BB", 2);
         Caught([&] { writer.Truncate64(0); });
         writer.Write("CC", 2);
         Caught([&] { writer.Seek64Absolute(100000); });
         writer.Write("DD", 2);
         writer.Close();
         return peer.Received();
     },
     "AAAABBCCDD", ""},
    {"Flush stores without reading its own bytes back",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_READ | IO_WRITE);
         writer.Write(std::string(200, 'x').data(), 200);
         writer.Flush();
         writer.Write("end", 3);
         writer.Close();
         return peer.Received();
     },
     std::string(200, 'x') + "end", ""},
    {"a buffered writer whose reader went away fails with a broken pipe",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_WRITE);
         peer.Hangup();
         writer.Write(std::string(8000, 'x').data(), 8000);
         return std::string();
     },
     "", "Unable to write 8000 bytes at offset 0 of file \"<fifo>\" -- Broken pipe"},
    {"an unbuffered writer whose reader went away fails with a broken pipe",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIOUnbuffered writer(sPath, IO_WRITE | IO_CREATE);
         peer.Hangup();
         writer.Write("AAAA", 4);
         return std::string();
     },
     "", "Could not write 4 bytes to \"<fifo>\" -- Broken pipe"},
    {"a proxy writes in order",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_WRITE);
         MpIOProxy proxy(writer);
         proxy.Write("AAAA", 4);
         proxy.Write("BBBB", 4);
         writer.Close();
         return peer.Received();
     },
     "AAAABBBB", ""},
    {"a proxy refuses to write anywhere but in order",
     [](const char* sPath, FifoPeer& peer) {
         peer.Listen();
         MpIO writer(sPath, IO_WRITE);
         MpIOProxy proxy(writer);
         proxy.Seek64Absolute(5);
         proxy.Write("AAAA", 4);
         return std::string();
     },
     "", "Unable to write 4 bytes at position 5 of file \"<fifo>\"Illegal seek"},
    {"a proxy reads in order",
     [](const char* sPath, FifoPeer& peer) {
         peer.Send(kInput);
         MpIO reader(sPath, IO_READ);
         peer.Hangup();
         MpIOProxy proxy(reader);
         return AsInput(ReadAll(proxy));
     },
     "the input", ""},
    {"a shrunk buffer keeps the bytes read and not yet delivered",
     [](const char* sPath, FifoPeer& peer) {
         peer.Send(kInput);
         MpIO reader(sPath, IO_READ);
         peer.Hangup();
         reader.SetBufferSize(30000);
         std::string bytes(15000, '\0');
         reader.Read(bytes.data(), 15000, true);
         reader.SetBufferSize(8000);
         return AsInput(bytes + ReadAll(reader));
     },
     "the input", ""},
    {"a buffer too small for the bytes not yet delivered is refused",
     [](const char* sPath, FifoPeer& peer) {
         peer.Send(kInput);
         MpIO reader(sPath, IO_READ);
         peer.Hangup();
         reader.SetBufferSize(30000);
         std::string bytes(100, '\0');
         reader.Read(bytes.data(), 100, true);
         std::string failure = MessageOf([&] { reader.SetBufferSize(8000); });
         return failure + "|" + AsInput(bytes + ReadAll(reader));
     },
     "Cannot shrink the buffer of \"<fifo>\" to 8000 bytes while it holds 19900 bytes not yet read|the input", ""},
    {"a write while input waits is refused, one after all input was read goes out alone",
     [](const char* sPath, FifoPeer& peer) {
         peer.Send("abcd");
         MpIO both(sPath, IO_READ | IO_WRITE);
         peer.Hangup();
         char bytes[4];
         both.Read(bytes, 2, true);
         std::string failure = MessageOf([&] { both.Write("x", 1); });
         both.Read(bytes + 2, 2, true);
         both.Write("yz", 2);
         both.Flush();
         char echoed[2];  // the FIFO hands its own writer's bytes to its reader, in order
         both.Read(echoed, 2, true);
         return failure + "|" + std::string(bytes, 4) + "|" + std::string(echoed, 2);
     },
     "Unable to write 1 bytes at offset 2 of file \"<fifo>\" -- Illegal seek|abcd|yz", ""},
};

std::string WithPath(std::string text, const std::string& path) {
    const std::string placeholder = "<fifo>";
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + path.size())) {
        text.replace(at, placeholder.size(), path);
    }
    return text;
}

}  // namespace

TEST(MpIOPipe, FilesThatCannotSeekAreReadAndWrittenInOrder) {
    MpIODescriptor::IgnoreBrokenPipes();
    for (const PipeRow& row : kRows) {
        TempDir dir;
        const std::string path = dir.File("fifo");
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        const std::string outcome = InChildProcess([&] {
            alarm(10);  // a row that blocks fails
            FifoPeer peer(path);
            std::string observed;
            std::string failure = MessageOf([&] { observed = row.run(path.c_str(), peer); });
            return observed + "#" + (failure == "<no exception>" ? "" : failure);
        });
        EXPECT_EQ(outcome, WithPath(row.observed + "#" + row.failure, path)) << row.name;
    }
}
