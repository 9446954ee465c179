// Windows under wine: the port opened as COMn, which is linked to the
// pseudo-terminal of the Linux brenvik-device (the wine_com_device fixture).

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "serial/FrameLink.h"
#include "serial/SerialPort.h"

namespace brenvik {
namespace {

using Clock = std::chrono::steady_clock;

const char* ComName() { return std::getenv("BRENVIK_WINE_DEVICE_COM"); }

TEST(WineComPortTest, AnMmiFrameOnComNGetsTheDevicesAck) {
  ASSERT_NE(ComName(), nullptr) << "BRENVIK_WINE_DEVICE_COM names the device's COM port";
  SerialPort port;
  const Result<> opened = port.OpenPort(ParsePortName(ComName()));
  ASSERT_TRUE(opened) << opened.error();

  StopSignal stop;
  FrameLink link(stop);
  link.SetPort(&port);
  link.SetTrace(false);
  FrameBuffer frame{};
  FrameLink::StartFrame(frame, kMmiBodyLength, kMmiCommand);
  FrameLink::SealFrame(frame);
  link.DiscardStaleAnswers();
  const SendResult sent = link.SendFrame(frame, Pacing::Paced);
  EXPECT_FALSE(sent.failed);
  const ReplyResult reply = link.AwaitReply();
  EXPECT_EQ(reply.k, 1);
  EXPECT_EQ(reply.ret, static_cast<int8_t>(kAck));

  // Reads return at once with nothing queued.
  uint8_t byte = 0;
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(&byte, 1), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));

  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Read(&byte, 1), 0);
  // The port is free again once closed.
  EXPECT_TRUE(port.OpenPort(ParsePortName(ComName())));
}

}  // namespace
}  // namespace brenvik
