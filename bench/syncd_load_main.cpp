// Load on quorvel-syncd: many clients syncing at once against one server on
// loopback, each on a kept-alive connection as Quorvel keeps it. Every
// client runs sync rounds (download, five creates, five updates, download)
// for an account of its own. Prints one JSON line:
//   {"op":"syncd_load","clients","requests","answered","p50_ms","p95_ms",
//    "max_ms","target_ms","complete"}
// complete is true when every request was answered and p95 is within target.
//
//   quorvel-syncd-load-bench [--clients 50] [--rounds 20] [--database URL]

#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const Password = "5f4dcc3b5aa765d61d8327deb882cf99";
const double TargetMs = 50.0;

struct Tally
{
    std::mutex mutex;
    std::vector<double> latencies;
    std::atomic<int> requests { 0 };
    std::atomic<int> answered { 0 };
    std::atomic<int> failuresShown { 0 };
    // The clients register first and start syncing together.
    std::atomic<int> registered { 0 };
    int clients = 0;
};

int statusOf(const std::string& body)
{
    const size_t start = body.find("<status>");
    return start == std::string::npos ? -1 : std::atoi(body.c_str() + start + 8);
}

long long revisionOf(const std::string& body)
{
    const size_t start = body.find("<revision>");
    return start == std::string::npos ? 0 : std::atoll(body.c_str() + start + 10);
}

void runClient(int port, int client, int rounds, Tally* tally)
{
    httplib::Client http("127.0.0.1", port);
    http.set_keep_alive(true);
    http.set_read_timeout(30, 0);
    const std::string auth = "&VERSION=1.16.3&LOGIN=load" + std::to_string(client) + "%40example.org&PASS=" + Password;
    long long revision = 0;
    std::vector<double> mine;
    const auto post = [&](const char* method, const std::string& body, long long* answeredRevision,
                          bool measured = true) {
        const auto start = std::chrono::steady_clock::now();
        const httplib::Result result
            = http.Post((std::string("/api/1/") + method).c_str(), body, "application/x-www-form-urlencoded");
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++tally->requests;
        if (measured)
            mine.push_back(ms);
        if (result && result->status == 200 && statusOf(result->body) == 0) {
            ++tally->answered;
            if (answeredRevision)
                *answeredRevision = revisionOf(result->body);
        } else if (tally->failuresShown++ < 5) {
            std::fprintf(stderr, "%s failed: %s\n", method,
                result ? (std::to_string(result->status) + " " + result->body.substr(0, 200)).c_str()
                       : httplib::to_string(result.error()).c_str());
        }
    };
    long long ignored = 0;
    post("register_user", auth.substr(1), &ignored, false);
    ++tally->registered;
    while (tally->registered < tally->clients)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int round = 0; round < rounds; ++round) {
        post("get_changes_ex", "REVISION=" + std::to_string(revision) + auth, &revision);
        for (int i = 0; i < 5; ++i) {
            const std::string id = "r" + std::to_string(round) + "t" + std::to_string(i);
            long long answer = 0;
            post("create_task", "REVISION=" + std::to_string(revision) + "&ID=" + id + "&NAME=Task%20" + id
                    + "&PARENT=NULL&TIMESTAMP=" + std::to_string(1700000000 + round) + auth,
                &answer);
            post("update_task", "REVISION=" + std::to_string(answer) + "&ID=" + id + "&NAME=Done%20" + id
                    + "&PARENT=NULL&STATE=2&TIMESTAMP=" + std::to_string(1700000001 + round) + auth,
                &revision);
        }
        post("get_changes_ex", "REVISION=" + std::to_string(revision) + auth, &revision);
    }
    std::lock_guard<std::mutex> lock(tally->mutex);
    tally->latencies.insert(tally->latencies.end(), mine.begin(), mine.end());
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int clients = 50;
    int rounds = 20;
    QString database;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments.at(i) == QLatin1String("--clients"))
            clients = qMax(1, arguments.at(i + 1).toInt());
        else if (arguments.at(i) == QLatin1String("--rounds"))
            rounds = qMax(1, arguments.at(i + 1).toInt());
        else if (arguments.at(i) == QLatin1String("--database"))
            database = arguments.at(i + 1);
    }
    QTemporaryDir data;
    // QUORVEL_KEEP_SANDBOX=1 keeps the server's data folder (and its log) for a look.
    data.setAutoRemove(qEnvironmentVariableIsEmpty("QUORVEL_KEEP_SANDBOX"));
    if (!data.autoRemove())
        std::fprintf(stderr, "server data: %s\n", qPrintable(data.path()));
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList serverArguments = { "--listen", "127.0.0.1:0", "--data", data.path() };
    if (!database.isEmpty())
        serverArguments << "--database" << database;
    server.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-syncd"), serverArguments);
    QByteArray output;
    int port = 0;
    static const QRegularExpression listening(QStringLiteral("listening on http://127\\.0\\.0\\.1:(\\d+)"));
    while (port == 0 && server.waitForReadyRead(10000)) {
        output += server.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch())
            port = match.captured(1).toInt();
    }
    if (port == 0) {
        std::fprintf(stderr, "quorvel-syncd did not start\n");
        return 2;
    }

    Tally tally;
    tally.clients = clients;
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client)
        threads.emplace_back(runClient, port, client, rounds, &tally);
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    server.terminate();
    server.waitForFinished(15000);

    // The first request of every client registers it (a deliberately slow
    // password hash); the figures are of the sync requests.
    std::vector<double> latencies = tally.latencies;
    const double p95 = percentile(latencies, 0.95);
    const bool complete = tally.answered == tally.requests && p95 <= TargetMs;
    std::printf("{\"op\":\"syncd_load\",\"clients\":%d,\"requests\":%d,\"answered\":%d,\"seconds\":%.2f,"
                "\"p50_ms\":%.2f,\"p95_ms\":%.2f,\"max_ms\":%.2f,\"target_ms\":%.0f,\"complete\":%s}\n",
        clients, tally.requests.load(), tally.answered.load(), seconds, percentile(latencies, 0.5), p95,
        latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()), TargetMs,
        complete ? "true" : "false");
    return complete ? 0 : 1;
}
