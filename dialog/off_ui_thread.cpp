#include "dialog/off_ui_thread.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <system_error>
#include <thread>

namespace fellridge::dialog {

void runOffUiThread(const std::function<void()>& work) {
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        work();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace fellridge::dialog
