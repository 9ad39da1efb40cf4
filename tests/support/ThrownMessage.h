// The text of the exception a call throws, to check its type and message in one comparison:
// EXPECT_EQ(ThrownMessage<EWrongLength>([&] { Package.FromBytes({}); }), "EWrongLength").
// Header-only, so that the Qt Test programs use it too.
#pragma once

#include <exception>
#include <string>
#include <typeinfo>

// What() of the TException (or derived exception) that Call throws; otherwise a text in angle
// brackets saying what happened instead, which no expected message matches.
template <typename TException, typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (const TException& Error) {
        return Error.what();
    } catch (const std::exception& Error) {
        return std::string("<another exception, ") + typeid(Error).name() + ": " + Error.what() +
               ">";
    } catch (...) {
        return "<an exception that is no std::exception>";
    }
    return "<no exception>";
}
