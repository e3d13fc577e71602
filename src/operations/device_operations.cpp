#include "operations/device_operations.h"

DeviceOperations::DeviceOperations(OperationHost& host, OperationLink& link, WorkingState& state, MeterTable& table,
                                   QObject* parent)
    : QObject(parent),
      ctx_{host, link, state, table},
      retry_(ctx_, this),
      batch_(ctx_, this),
      single_(ctx_, retry_, batch_),
      receiver_(ctx_, retry_, single_) {
    retry_.setKeyResend(&single_);
}

void DeviceOperations::TableAddRoute() {
    ctx_.host.setAllTicked(false);
    single_.BitBtn42Click();
}

void DeviceOperations::TableDeleteRoute() {
    ctx_.host.setAllTicked(false);
    single_.BitBtn43Click();
}

void DeviceOperations::TableSetKeyRoute() {
    ctx_.host.setAllTicked(false);
    single_.Butt_setAESClick();
}

void DeviceOperations::TableDeleteAllRoute() {
    ctx_.host.setAllTicked(true);
    single_.BitBtn43Click();
}
