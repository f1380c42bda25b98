#pragma once
#include <windows.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>

#include <mutex>
#include <string>

// One TCP connection of the HTTP exchange: synchronous, with time limits on connecting and
// on each wait for data, and closable from any thread. Closing is what stops a stalled
// exchange: under Wine a shutdown does not wake a blocked read, and no thread is ever ended
// forcibly. Every wait runs in short slices, so a close is noticed within one slice even
// where closing a socket does not wake a waiting call.
class HttpConnection {
public:
    HttpConnection();
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Resolves `name` and `port` and connects to the first address that accepts within
    // `timeoutMs` (each address gets its own limit).
    void Connect(const std::string& name, const std::string& port, DWORD timeoutMs,
                 boost::system::error_code& ec);
    void WriteAll(const std::string& data, DWORD timeoutMs, boost::system::error_code& ec);
    // Reads what has arrived, waiting at most `timeoutMs` for the first byte. 0 with
    // boost::asio::error::eof at the end of the stream, with timed_out after the wait, with
    // operation_aborted once Close has been called.
    size_t ReadSome(char* buffer, size_t size, DWORD timeoutMs, boost::system::error_code& ec);

    // Any thread: closes the socket; every later call fails with operation_aborted.
    void Close();
    bool Closed() const;

private:
    enum class Wait { Read, Write, Connect };
    // Waits for the socket up to `timeoutMs`; false with ec set on timeout, close or error.
    bool WaitFor(Wait what, DWORD timeoutMs, boost::system::error_code& ec);
    void CloseLocked();

    boost::asio::io_context io_;
    boost::asio::ip::tcp::socket socket_;
    mutable std::mutex mutex_; // guards socket_ and closed_ against a close from another thread
    bool closed_ = false;
};
