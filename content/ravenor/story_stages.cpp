// story_stages.cpp -- the descriptions of the story stages 1 to 33
#include "content/ravenor/story_stages.h"

#include "content/ravenor/level_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <sstream>
#include <vector>

namespace ravenor_content {

namespace {

struct Point
{
    int32_t x, y;
};

// Courses along the streets, in driving order
const std::vector<Point> kCourses[] = {
    {{0, -3600}, {0, 3600}},                                             // 0 north along the middle
    {{-3600, 0}, {3600, 0}},                                             // 1 east across the middle
    {{-2500, -3600}, {-2500, 2500}, {2500, 2500}, {2500, -3600}},        // 2 up the west, back down the east
    {{-2500, -3600}, {-2500, 0}, {2500, 0}, {2500, 3600}},               // 3 zigzag
    {{2500, 3600}, {2500, 2500}, {0, 2500}, {0, -2500}, {-2500, -2500}, {-2500, -3600}},   // 4 an S
    {{0, -3600}, {0, -2500}, {2500, -2500}, {2500, 2500}, {-2500, 2500}, {-2500, 0}, {3600, 0}},   // 5 a tour
    {{-3600, -2500}, {2500, -2500}, {2500, 3600}},                       // 6 south, then north on the east
    {{3600, 2500}, {-2500, 2500}, {-2500, -2500}, {3600, -2500}},        // 7 round the west
};

// Loops for the cars to catch (each ends where it turns back to its first point)
const std::vector<Point> kLoops[] = {
    {{-2500, 0}, {-2500, 2500}, {2500, 2500}, {2500, -2500}, {-2500, -2500}},   // the outer ring
    {{0, 0}, {0, 2500}, {2500, 2500}, {2500, 0}},                               // round the north-east block
    {{0, -2500}, {-2500, -2500}, {-2500, 2500}, {0, 2500}},                     // round the west half
};

enum Kind
{
    kCp = static_cast<int>(StageKind::kCheckpoints),
    kPu = static_cast<int>(StageKind::kPickUps),
    kCh = static_cast<int>(StageKind::kCatch),
    kRa = static_cast<int>(StageKind::kRace),
    kDe = static_cast<int>(StageKind::kDelivery),
};

struct Story
{
    int kind;
    int course;       // a course, or for a catch a loop
    int targets;      // checkpoints or pick-ups (0: one per 2500 units of the course)
    int slack;        // percent of the time needed given on the clock
    int traffic;      // traffic limit once the stage runs (0: none)
    int speed;        // rival's or quarry's speed
};

// Stages 1 to 33; the first four lie on the middle street for a quick run.
const Story kStories[33] = {
    {kCp, 0, 3, 200, 0, 0},    {kDe, 0, 0, 200, 0, 0},     {kCh, 0, 0, 200, 0, 200},  {kRa, 0, 0, 200, 0, 200},
    {kPu, 2, 5, 190, 4, 0},    {kCp, 3, 0, 180, 4, 0},     {kPu, 2, 5, 180, 4, 0},    {kCh, 0, 0, 180, 4, 240},
    {kRa, 3, 0, 180, 5, 150},  {kDe, 4, 0, 170, 5, 0},     {kCp, 5, 0, 170, 5, 0},    {kPu, 3, 5, 170, 5, 0},
    {kCh, 1, 0, 160, 5, 260},  {kRa, 2, 0, 160, 6, 180},   {kDe, 6, 0, 160, 6, 0},    {kCp, 7, 0, 160, 6, 0},
    {kPu, 5, 6, 160, 6, 0},    {kCh, 2, 0, 150, 6, 280},   {kRa, 4, 0, 150, 6, 140},  {kDe, 5, 0, 150, 7, 0},
    {kCp, 4, 0, 150, 7, 0},    {kPu, 7, 6, 150, 7, 0},     {kCh, 0, 0, 140, 7, 300},  {kRa, 6, 0, 140, 7, 190},
    {kDe, 7, 0, 140, 8, 0},    {kCp, 2, 0, 140, 8, 0},     {kPu, 4, 6, 140, 8, 0},    {kCh, 1, 0, 130, 8, 320},
    {kRa, 5, 0, 130, 8, 200},  {kDe, 3, 0, 130, 8, 0},     {kCp, 6, 0, 130, 8, 0},    {kPu, 6, 6, 130, 8, 0},
    {kRa, 7, 0, 125, 8, 210},
};

// Traffic classes in turn over the stages, and the people
int TrafficClass(int stage, int k)
{
    return 30 + (stage * 3 + k) % 19;
}
int PersonClass(int stage, int k)
{
    return 62 + (stage * 2 + k) % 12;
}

double Length(const std::vector<Point>& course)
{
    double sum = 0;
    for (size_t i = 1; i < course.size(); ++i)
        sum += std::hypot(course[i].x - course[i - 1].x, course[i].y - course[i - 1].y);
    return sum;
}

struct Place
{
    Point p;
    int dx, dy;   // unit direction of travel
};

Place At(const std::vector<Point>& course, double distance)
{
    for (size_t i = 1; i < course.size(); ++i)
    {
        const Point a = course[i - 1];
        const Point b = course[i];
        const double l = std::hypot(b.x - a.x, b.y - a.y);
        if (distance <= l || i + 1 == course.size())
        {
            const double t = l > 0 ? std::fmin(distance / l, 1.0) : 0;
            const int dx = (b.x > a.x) - (b.x < a.x);
            const int dy = (b.y > a.y) - (b.y < a.y);
            return Place{{static_cast<int32_t>(a.x + (b.x - a.x) * t), static_cast<int32_t>(a.y + (b.y - a.y) * t)},
                         dx, dy};
        }
        distance -= l;
    }
    return Place{course.back(), 0, 1};
}

// A description being written: lists, nodes and sections as lines. Node
// names can be taken before the node is written (links may point forward).
class Writer
{
public:
    std::string List(const std::vector<Point>& points)
    {
        const std::string name = "L" + std::to_string(m_lists++);
        m_text << "list " << name;
        for (const Point& p : points)
            m_text << "  " << p.x << ' ' << p.y << " 2";
        m_text << '\n';
        return name;
    }
    // A two-point list at a place (moved to its side), facing its direction
    std::string Spot(const Place& at, int32_t side = 0)
    {
        const Point p{at.p.x - at.dy * side, at.p.y + at.dx * side};
        return List({p, {p.x + at.dx * 100, p.y + at.dy * 100}});
    }
    std::string Name() { return "N" + std::to_string(m_nodes++); }
    std::string Node(const std::string& body) { return Node(Name(), body); }
    std::string Node(const std::string& name, const std::string& body)
    {
        m_text << "node " << name << ' ' << body << '\n';
        return name;
    }
    // Starters (behaviour 25) that create every record of the list, four to
    // a starter and the next starter as the fifth link
    std::string Starters(const std::vector<std::string>& records, const std::string& path)
    {
        std::string next;
        for (size_t end = records.size(); end > 0;)
        {
            const size_t begin = end > 4 ? end - 4 : 0;
            std::string body = "class 12 behaviour 25 path " + path;
            for (size_t i = begin; i < end; ++i)
                body += " link " + records[i];
            if (!next.empty())
                body += " link " + next;
            next = Node(body);
            end = begin;
        }
        return next.empty() ? Node("class 12 behaviour 25 path " + path) : next;
    }
    void Line(const std::string& line) { m_text << line << '\n'; }
    std::string Text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    int m_lists = 0;
    int m_nodes = 0;
};

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Num(int32_t v)
{
    return std::to_string(v);
}

// Seconds on the clock for a course: about 250 units a frame on the
// straights, 100 frames a corner, 35 ms of the clock a frame, with slack.
int ClockSeconds(double levelLength, size_t corners, int slack)
{
    const double frames = levelLength * 8 / 250 + 100.0 * static_cast<double>(corners) + 80;
    return static_cast<int>(frames * 35 / 1000 * slack / 100) + 5;
}

// The pointing arrow of the stage (6, 7 or 8)
int PointingArrow(int stage)
{
    return stage % 3 == 0 ? 8 : stage % 2 == 0 ? 7 : 6;
}

// Traffic on the lanes, crowds on the pavements, props at the edges, two
// walkers, the traffic limit and later a rush of more traffic
void Streets(Writer& w, int stage, int limit, std::vector<std::string>& starters, const std::string& startList)
{
    if (limit <= 0)
        return;
    const std::string lanes[] = {
        w.List({{-2380, -3800}, {-2380, 2380}, {2380, 2380}, {2380, -2380}, {-2380, -2380}}),
        w.List({{2620, 3800}, {2620, -2620}, {-2620, -2620}, {-2620, 2620}, {2620, 2620}}),
        w.List({{120, -3800}, {120, 3800}}),
        w.List({{-120, 3800}, {-120, -3800}}),
        w.List({{-3800, -120}, {3800, -120}}),
    };
    for (int r = 0; r < 5; ++r)
    {
        std::string line = "route " + lanes[r];
        for (int k = 0; k < 6; ++k)
            line += " " + Num(TrafficClass(stage, r * 2 + k));
        w.Line(line + " speed " + Num(150 + 10 * (r + stage % 4)) + " spacing 3600");
    }
    const std::string pavement = w.List({{-2720, -3000}, {-2720, 3000}, {2720, 3000}, {2720, -3000}});
    std::string crowd = "route " + pavement;
    for (int k = 0; k < 6; ++k)
        crowd += " " + Num(PersonClass(stage, k));
    w.Line(crowd + " spacing 900");
    const std::string edges = w.List({{-230, -2000}, {-230, -1000}, {230, 1000}, {230, 2000}, {-2270, 1200}});
    w.Line("route " + edges + " 27 26 28 29 27 spacing 400");
    const std::string walk = w.List({{300, 300}, {300, 2200}, {2200, 2200}, {2200, 300}});
    for (int k = 0; k < 2; ++k)
        starters.push_back(w.Node("class " + Num(PersonClass(stage, 6 + k)) + " behaviour 0 path " + walk +
                                  " second " + walk + " startvalue " + Num(30 + 10 * k)));
    starters.push_back(w.Node("class 12 behaviour 22 path " + startList + " value " + Num(limit)));
    const std::string rush =
        w.Node("class 12 behaviour 22 path " + startList + " value " + Num(limit + 3) + " end1 \"<40>RUSH HOUR\"");
    starters.push_back(w.Node("class 17 behaviour 3 path " + startList + " count 600 next " + rush));
}

// What every stage starts with: the player (made the player by its
// companion), the start line, the countdown whose end starts what runs
// against the clock, and the clock, whose end finishes the stage.
struct Opening
{
    std::string startList;
    std::string clock;
    std::vector<std::string> atStart;   // created with the player
    std::vector<std::string> atGo;      // created when the countdown is done
};

Opening Open(Writer& w, int stage, const Place& start, const std::string& line1, const std::string& line2,
             int clockSeconds)
{
    Opening o;
    o.startList = w.Spot(start);
    const std::string car = w.Node("class " + Num(50 + stage % 12) + " behaviour 3 path " + o.startList + " start " +
                                   Quote("<50>" + line1) + " start " + Quote(line2));
    o.atStart.push_back(car);
    o.atStart.push_back(w.Node("class 12 behaviour 35 path " + o.startList + " link " + car));
    Place line = start;
    line.p.x += start.dx * 400;
    line.p.y += start.dy * 400;
    o.atStart.push_back(w.Node("class 3 behaviour 3 path " + w.Spot(line)));
    if (clockSeconds > 0)
    {
        o.clock = w.Node("class 14 behaviour 3 path " + o.startList + " count " + Num(clockSeconds) +
                         " end1 \"<60>OUT OF TIME\"");
        o.atGo.push_back(o.clock);
        w.Line("trigger 6 3 " + o.clock + ",1,1,1,1");
    }
    return o;
}

// A stage on its course: the opening with the clock the course needs, and the streets
Opening OpenOnCourse(Writer& w, int stage, const Story& s, const std::string& line1, const std::string& line2)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = Open(w, stage, At(course, 0), line1, line2,
                     ClockSeconds(Length(course), course.size() - 2, s.slack));
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    return o;
}

void Close(Writer& w, Opening& o)
{
    const std::string go = w.Starters(o.atGo, o.startList);
    o.atStart.push_back(w.Node("class 13 behaviour 3 path " + o.startList + " count 3 next " + go));
    w.Line("root " + w.Starters(o.atStart, o.startList));
}

// Places spread along a course (count 0: one per 2500 units), kept off the
// corners
std::vector<Place> TargetPlaces(const std::vector<Point>& course, int count)
{
    const double length = Length(course);
    if (count <= 0)
        count = std::max(2, static_cast<int>(length / 2500));
    std::vector<Place> places;
    for (int i = 1; i <= count; ++i)
    {
        double at = length * i / (count + 1);
        Place p = At(course, at);
        for (const Point& c : course)
            if (std::abs(c.x - p.p.x) + std::abs(c.y - p.p.y) < 500)
                p = At(course, at += 600);
        places.push_back(p);
    }
    return places;
}

Place End(const std::vector<Point>& course)
{
    return At(course, Length(course));
}

// The finish at a place: the record (behaviour 32) with its arrow
std::string Finish(Writer& w, int stage, const Place& at, const std::string& line)
{
    const std::string spot = w.Spot(at);
    const std::string finish = w.Name();
    const std::string arrow = w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + spot + " link " + finish);
    return w.Node(finish, "class " + Num(stage % 2 ? 5 : 4) + " behaviour 32 path " + spot + " value 6400 companion " +
                              arrow + " end1 " + Quote("<60>" + line) + " enddelay3 45 next 2");
}

// A chain of gates (behaviour 19, each with its arrow) over the places, every
// other one followed by a cheer, the last one followed by the record named;
// answers the gates in order.
std::vector<std::string> GateChain(Writer& w, int stage, const std::vector<Place>& places, std::string next)
{
    std::vector<std::string> gates(places.size());
    for (size_t i = places.size(); i-- > 0;)
    {
        const std::string spot = w.Spot(places[i]);
        std::string after = next;
        if (i % 2 == 1)
            after = w.Node("class 12 behaviour 45 path " + spot + " value 13 next " + next);
        gates[i] = w.Name();
        const std::string arrow =
            w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + spot + " link " + gates[i]);
        w.Node(gates[i], "class " + Num(1 + (stage + static_cast<int>(i)) % 2) + " behaviour 19 path " + spot +
                             " value 6400 companion " + arrow + " end1 \"CHECKPOINT " + Num(static_cast<int>(i) + 1) +
                             "\" next " + after);
        next = gates[i];
    }
    return gates;
}

void Checkpoints(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "PASS EVERY CHECKPOINT", "BEFORE TIME RUNS OUT");
    const std::vector<std::string> gates =
        GateChain(w, stage, TargetPlaces(course, s.targets), Finish(w, stage, End(course), "WELL DONE"));
    o.atGo.push_back(gates.front());
    // Half way: one line, from section 8
    const std::string half = w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<60>HALF WAY\"");
    w.Line("pairs " + gates[gates.size() / 2] + " " + half);
    Close(w, o);
}

void PickUps(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "COLLECT EVERY", "QUESTION MARK");
    const std::vector<Place> places = TargetPlaces(course, s.targets);
    // All collected: the objective is reached (the clock stops), then the
    // stage is complete.
    const std::string reached = w.Node("class 12 behaviour 32 path " + o.startList +
                                       " value 2000000000 end1 \"<60>ALL COLLECTED\" enddelay3 45 next 2");
    o.atGo.push_back(w.Node("class 0 behaviour 3 path " + o.startList + " count " +
                            Num(static_cast<int>(places.size())) + " next " + reached));
    for (size_t i = 0; i < places.size(); ++i)
    {
        const std::string spot = w.Spot(places[i], i % 2 ? 40 : -40);
        const std::string pick = w.Node("class 10 behaviour 3 path " + spot);
        // Reached within 960 units (before the car's nose knocks it away)
        std::string next = pick;
        if (i == 1)
        {
            // This one also stops the clock for a while: the freeze, a frame
            // counter, then the thaw.
            const std::string thaw = w.Node("class 12 behaviour 44 path " + spot + " end1 \"<60>CLOCK RUNS\"");
            const std::string wait = w.Node("class 17 behaviour 3 path " + spot + " count 150 next " + thaw);
            const std::string freeze =
                w.Node("class 12 behaviour 43 path " + spot + " end1 \"<60>CLOCK STOPPED\" next " + wait);
            next = w.Node("class 12 behaviour 25 path " + spot + " link " + pick + " link " + freeze);
        }
        const std::string qmark = w.Node("class 49 behaviour 19 path " + spot + " value 900 next " + next);
        o.atGo.push_back(qmark);
        o.atGo.push_back(w.Node("class 9 behaviour 3 path " + spot + " link " + qmark));
    }
    Close(w, o);
}

// The quarry drives its loop (or, on the first course, up the middle and
// stops); touching it reaches the objective.
void Catch(Writer& w, int stage, const Story& s)
{
    std::vector<Point> loop;
    Place start;
    if (s.course == 0 && stage < 10)
    {
        loop = {{0, -1800}, {0, 3700}};
        start = At(kCourses[0], 0);
    }
    else
    {
        loop = kLoops[s.course % 3];
        // The player starts on the loop's first side, 2000 behind the quarry
        const Point a = loop[0];
        const Point b = loop[1];
        const int dx = (b.x > a.x) - (b.x < a.x);
        const int dy = (b.y > a.y) - (b.y < a.y);
        start = Place{{a.x - dx * 2000, a.y - dy * 2000}, dx, dy};
    }
    const bool stops = loop.size() == 2;
    Opening o = Open(w, stage, start, "CATCH THE " + std::string(stage % 2 ? "GETAWAY CAR" : "STOLEN CAR"),
                     "BEFORE IT GETS AWAY", ClockSeconds(Length(loop) * (stops ? 1 : 2), loop.size(), s.slack));
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    const std::string path = w.List(loop);
    // Caught within 1600 units (before the cars bounce apart); then the
    // objective is reached (the clock stops) and the stage is complete.
    const std::string reached = w.Node("class 12 behaviour 32 path " + o.startList +
                                       " value 2000000000 end1 \"<60>GOT IT\" enddelay3 45 next 2");
    const std::string quarry = w.Node("class " + Num(TrafficClass(stage, 17)) + " behaviour 19 path " + path +
                                      (stops ? std::string() : " second " + path) + " startvalue " + Num(s.speed) +
                                      " value 2500 next " + reached);
    o.atGo.push_back(quarry);
    o.atGo.push_back(w.Node("class 9 behaviour 3 path " + path + " link " + quarry));
    Close(w, o);
}

// A rival along the same course: the first at the finish wins; the
// player passes the course's checkpoints on the way.
void Race(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    const Place start = At(course, 0);
    Opening o = Open(w, stage, start, "BEAT YOUR RIVAL", "TO THE FINISH", 0);
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    // The rival starts beside the player
    std::vector<Point> rivalCourse = course;
    rivalCourse[0].x -= start.dy * 200;
    rivalCourse[0].y += start.dx * 200;
    const std::string rivalPath = w.List(rivalCourse);
    const int rivalClass = 50 + (stage + 5) % 12;
    const std::string rival = w.Node("class " + Num(rivalClass) + " behaviour 21 path " + rivalPath + " speed " +
                                     Num(s.speed) + " value 8");
    o.atStart.push_back(rival);
    // The player's way: the checkpoints of the course, then the finish
    const std::string finish = Finish(w, stage, End(course), "YOU WIN");
    o.atGo.push_back(GateChain(w, stage, TargetPlaces(course, 0), finish).front());
    // The rival's arrival: within the finish's radius of it
    const std::string watch = w.Node("class 12 behaviour 20 path " + w.Spot(End(course)) + " link " + rival +
                                     " value 6400 end1 \"<60>YOUR RIVAL WON\" next 3");
    o.atGo.push_back(watch);
    // The player first: the watch is set done without completing (its
    // next link never comes) and goes
    w.Line("rule 2 " + finish + " " + watch);
    Close(w, o);
}

// A parcel to pick up halfway, then the drop; roadworks narrow the road
// before it.
void Delivery(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "PICK UP THE PARCEL", "AND DELIVER IT");
    const double length = Length(course);
    const std::string drop = Finish(w, stage, End(course), "DELIVERED");
    const std::string parcelSpot = w.Spot(TargetPlaces(course, 1)[0]);
    const std::string parcel = w.Name();
    const std::string arrow =
        w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + parcelSpot + " link " + parcel);
    w.Node(parcel, "class 26 behaviour 19 path " + parcelSpot + " value 900 companion " + arrow +
                       " end1 \"<60>PARCEL LOADED\" next " + drop);
    o.atGo.push_back(parcel);
    // Roadworks three quarters along
    const Place works = At(course, length * 3 / 4);
    o.atStart.push_back(w.Node("class 28 behaviour 3 path " + w.Spot(works, 150)));
    o.atStart.push_back(w.Node("class 27 behaviour 3 path " + w.Spot(works, -200)));
    Close(w, o);
}

} // namespace

bool StoryStageEntries(std::vector<DemoEntry>& entries, std::string& error)
{
    for (int stage = 1; stage <= kStoryStages; ++stage)
    {
        char name[16];
        std::snprintf(name, sizeof name, "stg%03d.lev", stage);
        std::vector<uint8_t> level;
        if (!WriteLevel(StoryStageDescription(stage), level, error))
        {
            error = std::string(name) + ": " + error;
            return false;
        }
        entries.push_back({name, std::move(level)});
    }
    return true;
}

StageKind StoryStageKind(int stage)
{
    return static_cast<StageKind>(kStories[(stage - 1) % kStoryStages].kind);
}

std::string StoryStageDescription(int stage)
{
    if (stage < 1 || stage > kStoryStages)
        return {};
    const Story& s = kStories[stage - 1];
    Writer w;
    w.Line("# Story stage " + Num(stage));
    switch (s.kind)
    {
    case kCp: Checkpoints(w, stage, s); break;
    case kPu: PickUps(w, stage, s); break;
    case kCh: Catch(w, stage, s); break;
    case kRa: Race(w, stage, s); break;
    default: Delivery(w, stage, s); break;
    }
    return w.Text();
}

} // namespace ravenor_content
