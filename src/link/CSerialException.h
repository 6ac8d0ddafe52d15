#pragma once

#include <QString>

#include <stdexcept>

// A failed system call on the serial port, with the system's error code.
class CSerialException : public std::runtime_error
{
public:
    // nError 0 takes the calling thread's last system error.
    explicit CSerialException(int nError = 0);

    int ErrorCode() const { return m_nError; }
    // The operating system's own text for the code; empty when it has none.
    QString ErrorMessage() const;

private:
    int m_nError;
};
