"""The window on 10 MB of English, Russian, Chinese and mixed text (see scripts.sh): the files
are made deterministically from small vocabularies, the first frame is timed as a whole process,
and quilmar-bench times in-process the first frame, the whole text laid out after it (as the
window does when idle), Word Wrap off and on again and a resize."""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

MB = 1_000_000

ENGLISH = ("the of and to in is you that it he was for on are as with his they at be this have from or one had by "
           "word but not what all were we when your can said there use an each which she do how their if will up "
           "other about out many then them these so some her would make like him into time has look two more write "
           "go see number no way could people my than first water been call who oil its now find long down day did "
           "get come made may part over new sound take only little work know place year live me back give most very "
           "after thing our just name good sentence man think say great where help through much before line right "
           "too mean old any same tell boy follow came want show also around form three small set put end does "
           "another well large must big even such because turn here why ask went men read need land different home "
           "us move try kind hand picture again change off play spell air away animal house point page letter "
           "mother answer found study still learn should America world").split()
RUSSIAN = ("и в не на я быть он с что а по это она этот к но они мы как из у который то за свой весь год от так о "
           "для ты же все тот мочь вы человек такой его сказать только или ещё бы себя один как уже до время если "
           "сам когда другой вот говорить наш мой знать стать при чтобы дело жизнь кто первый очень два день её "
           "новый рука даже во со раз где там под можно ну какой после их работа без самый потом надо хотеть ли "
           "слово идти большой должен место иметь ничто то сейчас тут лицо каждый друг нет теперь ни глаз тоже "
           "тогда видеть вопрос через да здесь дом да потому сторона какой-то думать сделать страна жить чем мир "
           "об последний случай голова более делать что-то смотреть ребёнок просто конечно сила российский "
           "конец перед несколько вид система всегда основной").split()
CHINESE = ("我们 你们 他们 今天 明天 昨天 时间 地方 国家 中国 世界 学生 老师 学校 工作 朋友 东西 问题 事情 "
           "因为 所以 但是 如果 已经 现在 以后 以前 可以 应该 知道 觉得 认为 喜欢 开始 发现 需要 希望 "
           "生活 社会 经济 发展 文化 历史 自己 大家 孩子 父母 城市 农村 电话 电脑 手机 网络 信息 技术 "
           "科学 研究 方法 结果 情况 关系 部分 问题 重要 简单 困难 美丽 高兴 快乐 安静 一起 一直 非常 "
           "特别 真的 还是 或者 而且 然后 虽然 不过 为了 关于 通过 根据 这个 那个 什么 怎么 为什么 哪里 "
           "吃饭 睡觉 看书 写字 说话 走路 跑步 唱歌 跳舞 旅游 天气 下雨 春天 夏天 秋天 冬天 山水 河流").split()
MIXED = ("hello world naïve café déjà vu the quick fox "
         "e\u0301te\u0301 re\u0301sume\u0301 a\u0300 la\u0300 n\u0303o Zo\u0308e cre\u0300me bru\u0302le\u0301e "
         "\U0001F60A \U0001F44D\U0001F3FD \U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F98A \U0001F680 "
         "\u2764\uFE0F \U0001F1EB\U0001F1F7 \U0001F389 "
         "שלום עולם ספר מים אור בית ילד "
         "مرحبا عالم كتاب ماء نور بيت ولد "
         "Ελλάδα καλημέρα").split()


class Lcg:
    """The same numbers on every machine and Python (random's methods have changed over versions)."""

    def __init__(self, seed):
        self.state = seed

    def below(self, n):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        return (self.state >> 33) % n


def make_text(path, words, joiner, size, seed):
    """Paragraphs of 5 to 150 words (some a few screens wide, so wrapping matters), the
    vocabulary's earlier words more often, until `size` bytes of UTF-8."""
    rng = Lcg(seed)
    out, written = [], 0
    while written < size:
        count = 5 + rng.below(146)
        para = joiner.join(words[min(rng.below(len(words)), rng.below(len(words)))] for _ in range(count))
        if joiner == "":
            para = "，".join(para[i:i + 12] for i in range(0, len(para), 12)) + "。"
        data = (para + "\n").encode()
        out.append(data)
        written += len(data)
    with open(path, "wb") as f:
        f.write(b"".join(out)[:size])


KINDS = [("English", ENGLISH, " "), ("Russian", RUSSIAN, " "), ("Chinese", CHINESE, ""), ("mixed", MIXED, " ")]


def make_all(folder, size=10 * MB):
    paths = {}
    for seed, (name, words, joiner) in enumerate(KINDS, 1):
        path = os.path.join(folder, f"{name.lower()}.txt")
        make_text(path, words, joiner, size, seed)
        # Cut mid-character by the size: drop the last partial line.
        with open(path, "rb") as f:
            data = f.read()
        with open(path, "wb") as f:
            f.write(data[:data.rfind(b"\n") + 1])
        paths[name] = path
    return paths


def first_frame(window, path):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QUILMAR_FIRST_FRAME="1")
    start = time.perf_counter()
    proc = subprocess.Popen([window, path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    elapsed = None
    for raw in proc.stdout:
        if elapsed is None and raw.startswith(b"first frame"):
            elapsed = time.perf_counter() - start
    if proc.wait() != 0 or elapsed is None:
        raise SystemExit(f"the window failed on {path}")
    return elapsed


def main():
    build, runs = sys.argv[1], int(sys.argv[2])
    folder = tempfile.mkdtemp(prefix="quilmar-scripts-")
    try:
        paths = make_all(folder)
        window = os.path.join(build, "bin", "quilmar")
        whole = {}
        for name, path in paths.items():
            first_frame(window, path)  # the page cache warm
        for _ in range(runs):  # interleaved, so a burst of load elsewhere hits every kind alike
            for name, path in paths.items():
                whole.setdefault(name, []).append(first_frame(window, path))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QUILMAR_BENCH_TEXTS=folder)
        report = subprocess.run([os.path.join(build, "bench", "quilmar-bench"), "--benchmark_filter=BM_Script",
                                 f"--benchmark_repetitions={runs}", "--benchmark_report_aggregates_only=true",
                                 "--benchmark_format=json"], env=env, check=True, capture_output=True).stdout
        medians = {}
        for b in json.loads(report)["benchmarks"]:
            if b.get("aggregate_name") == "median":
                medians[b["run_name"].split("/iterations")[0]] = b["real_time"]
        ops = [("first frame (window process)", None), ("first frame", 0), ("laid out whole", 3),
               ("Word Wrap off and on", 1), ("resize, wrapped", 2)]
        print(f"medians of {runs} runs, ms; ratio to English in brackets")
        print(f"{'10 MB of':10}" + "".join(f"{op:>32}" for op, _ in ops))
        base = {}
        for k, (name, path) in enumerate(paths.items()):
            row = []
            for op, code in ops:
                value = (statistics.median(whole[name]) * 1000 if code is None
                         else medians.get(f"BM_Script/{k}/{code}", float("nan")))
                base.setdefault(op, value)
                row.append(f"{value:10.0f} ({value / base[op]:4.1f}x)")
            print(f"{name:10}" + "".join(f"{cell:>32}" for cell in row))
    finally:
        subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    main()
