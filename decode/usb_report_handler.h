#pragma once
// Which input-report handler a meter model binds to the USB adapter on connect, and with it
// how a finished burst becomes the frame text. Only VK31C frames go on to the decoder; the
// other two forms only fill the frame text, and None binds no handler at all.
enum class UsbReportHandler { None, VK20E, VK40B, VK31C };
