#include "HttpConnection.h"

#include <winsock2.h>

#include <algorithm>

#include <boost/asio/error.hpp>

namespace {

namespace asio = boost::asio;
using boost::system::error_code;

// Longest single wait inside a call: how soon a close from another thread is noticed.
const DWORD kWaitSliceMs = 100;

} // namespace

HttpConnection::HttpConnection() : socket_(io_) {}

HttpConnection::~HttpConnection()
{
    Close();
}

void HttpConnection::CloseLocked()
{
    closed_ = true;
    error_code ignored;
    if (socket_.is_open())
        socket_.close(ignored);
}

void HttpConnection::Close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
}

bool HttpConnection::Closed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

bool HttpConnection::WaitFor(Wait what, DWORD timeoutMs, error_code& ec)
{
    ULONGLONG startedAt = GetTickCount64();
    for (;;) {
        SOCKET s;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_ || !socket_.is_open()) {
                ec = asio::error::operation_aborted;
                return false;
            }
            s = socket_.native_handle();
        }
        ULONGLONG elapsed = GetTickCount64() - startedAt;
        if (elapsed >= timeoutMs) {
            ec = asio::error::timed_out;
            return false;
        }
        DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(kWaitSliceMs, timeoutMs - elapsed));
        fd_set readSet, writeSet, errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        if (what == Wait::Read)
            FD_SET(s, &readSet);
        else
            FD_SET(s, &writeSet);
        if (what == Wait::Connect)
            FD_SET(s, &errorSet); // a refused connect shows in the error set on Windows
        timeval tv;
        tv.tv_sec = static_cast<long>(slice / 1000);
        tv.tv_usec = static_cast<long>((slice % 1000) * 1000);
        int n = select(0, &readSet, &writeSet, &errorSet, &tv);
        if (n > 0)
            return true;
        if (n < 0) {
            // A close from another thread makes the handle invalid under select.
            if (Closed()) {
                ec = asio::error::operation_aborted;
                return false;
            }
            ec = error_code(WSAGetLastError(), boost::system::system_category());
            return false;
        }
    }
}

void HttpConnection::Connect(const std::string& name, const std::string& port, DWORD timeoutMs, error_code& ec)
{
    ec.clear();
    if (Closed()) {
        ec = asio::error::operation_aborted;
        return;
    }
    asio::ip::tcp::resolver resolver(io_);
    asio::ip::tcp::resolver::results_type endpoints = resolver.resolve(name, port, ec);
    if (ec)
        return;
    ec = asio::error::host_not_found;
    for (const auto& entry : endpoints) {
        asio::ip::tcp::endpoint endpoint = entry.endpoint();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) {
                ec = asio::error::operation_aborted;
                return;
            }
            if (socket_.is_open())
                socket_.close(ec);
            socket_.open(endpoint.protocol(), ec);
            if (ec)
                continue;
            // Non-blocking from here on: every wait goes through WaitFor and its time limit.
            socket_.non_blocking(true, ec);
            if (ec)
                continue;
            if (::connect(socket_.native_handle(), endpoint.data(), static_cast<int>(endpoint.size())) == 0) {
                ec.clear();
                return;
            }
            int err = WSAGetLastError();
            if (err != WSAEWOULDBLOCK) {
                ec = error_code(err, boost::system::system_category());
                continue;
            }
        }
        if (!WaitFor(Wait::Connect, timeoutMs, ec)) {
            if (ec == asio::error::operation_aborted)
                return;
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            ec = asio::error::operation_aborted;
            return;
        }
        int soError = 0;
        int len = sizeof soError;
        if (getsockopt(socket_.native_handle(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0)
            soError = WSAGetLastError();
        if (soError == 0) {
            ec.clear();
            return;
        }
        ec = error_code(soError, boost::system::system_category());
    }
}

void HttpConnection::WriteAll(const std::string& data, DWORD timeoutMs, error_code& ec)
{
    size_t sent = 0;
    while (sent < data.size()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) {
                ec = asio::error::operation_aborted;
                return;
            }
            sent += socket_.write_some(asio::buffer(data.data() + sent, data.size() - sent), ec);
        }
        if (ec == asio::error::would_block) {
            if (!WaitFor(Wait::Write, timeoutMs, ec))
                return;
        } else if (ec) {
            return;
        }
    }
    ec.clear();
}

size_t HttpConnection::ReadSome(char* buffer, size_t size, DWORD timeoutMs, error_code& ec)
{
    for (;;) {
        size_t got;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) {
                ec = asio::error::operation_aborted;
                return 0;
            }
            got = socket_.read_some(asio::buffer(buffer, size), ec);
        }
        if (ec != asio::error::would_block)
            return got;
        if (!WaitFor(Wait::Read, timeoutMs, ec))
            return 0;
    }
}
